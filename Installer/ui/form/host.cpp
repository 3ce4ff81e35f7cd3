#include "host.h"

#include "guard.h"
#include "keyboard.h"
#include "message.h"
#include "owners.h"

#include <windowsx.h>

#include <algorithm>

namespace instalio::ui {

namespace {

constexpr char kHostClass[] = "InstalioHost";

void RegisterHostClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // The second press of a double click comes as a double-click message, decided by the
    // system's double-click time and rectangle.
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = DefWindowProcA; // replaced per window once it is created
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostClass;
    RegisterClassExA(&windowClass);
    registered = true;
}

bool Intersects(const RECT& a, const RECT& b) {
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}

bool Contains(const RECT& rect, POINT point) {
    return PtInRect(&rect, point) != FALSE;
}

// Paints the windowless children of `container` that meet `clip`, bottom first; frames paint
// their background and then their own children.
void PaintChildren(const Container& container, HDC dc, const RECT& clip) {
    for (const Element* child : container.Children()) {
        if (!child->Visible() || !child->Windowless()) {
            continue;
        }
        RECT rect = child->HostRect();
        if (!Intersects(rect, clip)) {
            continue;
        }
        if (const Container* inner = const_cast<Element*>(child)->AsContainer()) {
            inner->PaintBackground(dc, rect);
            PaintChildren(*inner, dc, clip);
        } else {
            child->Paint(dc, rect);
        }
    }
}

Element* HitChildren(const Container& container, POINT point) {
    const auto& children = container.Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        Element* child = *it;
        if (!child->Visible() || !child->Windowless() || !child->TakesMouse()) {
            continue;
        }
        if (!Contains(child->HostRect(), point)) {
            continue;
        }
        if (Container* inner = child->AsContainer()) {
            Element* hit = HitChildren(*inner, point);
            return hit != nullptr ? hit : child;
        }
        return child;
    }
    return nullptr;
}

int ButtonOf(UINT message) {
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return kRightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        return kMiddleButton;
    default:
        return kLeftButton;
    }
}

} // namespace

HostContainer::HostContainer(HostContainer& owner, std::string name)
    : Container(owner, std::move(name)) {}

HostContainer::HostContainer(std::string name) : Container(std::move(name)) {}

HostContainer::~HostContainer() {
    DestroyHostWindow();
}

HostContainer* HostContainer::FromWindow(HWND window) {
    char name[sizeof kHostClass + 1] = {};
    if (window == nullptr || GetClassNameA(window, name, sizeof name) == 0 ||
        std::string(name) != kHostClass) {
        return nullptr;
    }
    return FromParameter<HostContainer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

Element* HostContainer::Find(const std::string& name) const {
    auto found = std::find_if(elements_.begin(), elements_.end(),
                              [&](const Element* e) { return e->Name() == name; });
    return found != elements_.end() ? *found : nullptr;
}

void HostContainer::ApplyDescription(const Description& description) {
    for (const ElementRow& row : description) {
        Element* element = Find(row.Name);
        if (element == nullptr) {
            throw std::logic_error("description names no element " + row.Name);
        }
        Container* parent = this;
        if (!row.Parent.empty()) {
            Element* named = Find(row.Parent);
            parent = named != nullptr ? named->AsContainer() : nullptr;
            if (parent == nullptr) {
                throw std::logic_error("description names no container " + row.Parent);
            }
        }
        element->SetParent(*parent);
        element->Move(row.Left, row.Top, row.Width, row.Height);
        element->ApplyDesign(row.Settings);
    }
}

void HostContainer::PaintContent(HDC dc, const RECT& clip) const {
    PaintHostBackground(dc, clip);
    PaintChildren(*this, dc, clip);
}

Element* HostContainer::HitTest(POINT point) const {
    return HitChildren(*this, point);
}

void HostContainer::InvalidateArea(const RECT& rect) const {
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, &rect, FALSE);
    }
}

void HostContainer::Refresh() const {
    if (hwnd_ != nullptr) {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

void HostContainer::CreateHostWindow(DWORD style, DWORD exStyle, HWND parent, const RECT& rect,
                                     const std::string& caption) {
    RegisterHostClass();
    HWND window = CreateWindowExA(exStyle, kHostClass, caption.c_str(), style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        throw std::runtime_error("the window system refused a window");
    }
    hwnd_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

void HostContainer::DestroyHostWindow() {
    if (hwnd_ == nullptr) {
        return;
    }
    HWND window = hwnd_;
    DestroyWindow(window); // WM_NCDESTROY clears hwnd_
    hwnd_ = nullptr;
}

void HostContainer::RealizeElements() {
    // A copy: realizing a user control may register nothing here, but stay safe.
    std::vector<Element*> elements = elements_;
    for (Element* element : elements) {
        element->Realize();
    }
}

HCURSOR HostContainer::BackgroundCursor() const {
    return LoadCursor(nullptr, IDC_ARROW);
}

LRESULT HostContainer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void HostContainer::Register(Element& element) {
    elements_.push_back(&element);
}

void HostContainer::Unregister(Element& element) {
    std::erase(elements_, &element);
    if (pressed_ == &element) {
        pressed_ = nullptr;
    }
}

void HostContainer::PaintWindow() {
    ScopedPaint paint(hwnd_); // ended also when painting fails
    HDC dc = paint.dc();
    const RECT& area = paint.area();
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width > 0 && height > 0) {
        // Drawn into a memory picture first, then copied at once: no flicker.
        ScopedMemoryDC memory(CreateCompatibleDC(dc));
        ScopedBitmap canvas(CreateCompatibleBitmap(dc, width, height));
        ScopedSelect select(memory.get(), canvas.get());
        {
            ScopedViewportOffset offset(memory.get(), -area.left, -area.top);
            PaintContent(memory.get(), area);
        }
        BitBlt(dc, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
    }
}

void HostContainer::ButtonDown(int button, LPARAM position, bool secondPress) {
    BeforeMouseDown();
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    Element* hit = HitTest(point);
    int shift = ShiftState();
    if (hit == nullptr) {
        // On the background the second press of a double click is a press like the first.
        BackgroundMouseDown(button, shift, Twips(point.x), Twips(point.y));
        return;
    }
    if (!hit->ElementEnabledInHost()) {
        return; // a disabled element takes the click, and nothing happens
    }
    RECT rect = hit->HostRect();
    if (button == kLeftButton) {
        pressed_ = hit;
        secondPress_ = secondPress;
        SetCapture(hwnd_);
    }
    if (secondPress) {
        // DblClick in place of MouseDown; the release raises MouseUp but no second Click.
        if (hit->DblClick) {
            hit->DblClick();
        }
    } else if (hit->MouseDown) {
        hit->MouseDown(button, shift, Twips(point.x - rect.left), Twips(point.y - rect.top));
    }
}

void HostContainer::ButtonUp(int button, LPARAM position) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    const bool secondPress = button == kLeftButton && std::exchange(secondPress_, false);
    Element* element = button == kLeftButton ? std::exchange(pressed_, nullptr) : HitTest(point);
    if (button == kLeftButton && GetCapture() == hwnd_) {
        ReleaseCapture();
    }
    if (element == nullptr || !element->ElementEnabledInHost()) {
        return;
    }
    RECT rect = element->HostRect();
    if (element->MouseUp) {
        element->MouseUp(button, ShiftState(), Twips(point.x - rect.left),
                         Twips(point.y - rect.top));
    }
    // The element may be gone or hidden by now; a click needs the release on it.
    if (button == kLeftButton && !secondPress && HitTest(point) == element &&
        element->ElementClick) {
        element->ElementClick();
    }
}

bool HostContainer::SetCursorAt(POINT point) const {
    HCURSOR cursor = BackgroundCursor();
    if (!CursorOverridesElements()) {
        Element* hit = HitTest(point);
        if (hit != nullptr && hit->ElementEnabledInHost() && hit->ElementCursor() != nullptr) {
            cursor = hit->ElementCursor();
        }
    }
    SetCursor(cursor);
    return true;
}

LRESULT HostContainer::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintWindow();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDBLCLK: // only the left button double-clicks
    case WM_MBUTTONDBLCLK:
        ButtonDown(ButtonOf(message), lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        ButtonDown(kLeftButton, lParam, true);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        ButtonUp(ButtonOf(message), lParam);
        return 0;
    case WM_CAPTURECHANGED:
        pressed_ = nullptr;
        secondPress_ = false;
        return 0;
    case WM_SETCURSOR:
        if (FromParameter<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT) {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(hwnd_, &point);
            return SetCursorAt(point);
        }
        break;
    case WM_TIMER:
        for (Element* element : elements_) {
            if (element->HandleTimer(wParam)) {
                return 0;
            }
        }
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HWND child = message == WM_NOTIFY ? FromParameter<NMHDR*>(lParam)->hwndFrom
                                          : FromParameter<HWND>(lParam);
        for (Element* element : elements_) {
            LRESULT result = 0;
            if (child != nullptr && element->Window() == child &&
                element->HandleHostMessage(message, wParam, lParam, result)) {
                return result;
            }
        }
        break;
    }
    default:
        break;
    }
    return HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK HostContainer::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* host = FromParameter<HostContainer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        host->hwnd_ = nullptr;
        Guarded([&] { host->WindowDestroyed(); });
        return DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (!Guarded([&] { result = host->Dispatch(message, wParam, lParam); })) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return result;
}

} // namespace instalio::ui
