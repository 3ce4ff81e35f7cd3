#include "taborder.h"

#include "form.h"

#include <algorithm>
#include <vector>

namespace instalio::ui {

namespace {

// The form's controls that Tab may visit, in tab order.
std::vector<Element*> TabOrder(const Form& form) {
    std::vector<Element*> order;
    for (Element* element : form.Elements()) {
        if (element->TakesFocus()) {
            order.push_back(element);
        }
    }
    std::stable_sort(order.begin(), order.end(), [](const Element* a, const Element* b) {
        // Those with a TabIndex first, by it; the others keep their order behind them.
        return a->TabIndex().has_value() && (!b->TabIndex() || *a->TabIndex() < *b->TabIndex());
    });
    return order;
}

bool CanTakeFocusNow(const Element& element) {
    HWND window = element.Window();
    return window != nullptr && element.ShownInHost() && element.ElementEnabledInHost() &&
           IsWindowVisible(window) && IsWindowEnabled(window);
}

// Whether the focus is on `element`'s window or one of the windows inside it.
bool HoldsFocus(const Element& element, HWND focus) {
    HWND window = element.Window();
    return window != nullptr && focus != nullptr && (window == focus || IsChild(window, focus));
}

void MoveFocus(const Form& form, bool backwards) {
    const std::vector<Element*> order = TabOrder(form);
    const int count = static_cast<int>(order.size());
    HWND focus = GetFocus();
    auto current = std::find_if(order.begin(), order.end(), [&](const Element* element) {
        return HoldsFocus(*element, focus);
    });
    // Without a control in focus, the first step reaches the first (or the last) one.
    int at = current != order.end() ? static_cast<int>(current - order.begin())
                                    : (backwards ? count : -1);
    for (int step = 1; step <= count; ++step) {
        const int next = ((at + (backwards ? -step : step)) % count + count) % count;
        if (CanTakeFocusNow(*order[static_cast<std::size_t>(next)])) {
            SetFocus(order[static_cast<std::size_t>(next)]->Window());
            return;
        }
    }
}

} // namespace

bool HandleTabKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0 ||
        GetKeyState(VK_MENU) < 0 || message.hwnd == nullptr) {
        return false;
    }
    auto* form = dynamic_cast<Form*>(HostContainer::FromWindow(GetAncestor(message.hwnd, GA_ROOT)));
    if (form == nullptr) {
        return false;
    }
    MoveFocus(*form, GetKeyState(VK_SHIFT) < 0);
    return true;
}

} // namespace instalio::ui
