#include "usercontrol.h"

#include "guard.h"
#include "message.h"
#include "owners.h"

#include <commctrl.h>

namespace instalio::ui {

UserControl::UserControl(HostContainer& owner, std::string name)
    : HostContainer(owner, std::move(name)) {}

PropertyBag UserControl::SaveProperties() const {
    PropertyBag bag;
    UserControl_WriteProperties(bag);
    return bag;
}

void UserControl::ApplyDesign(const Design& design) {
    HostContainer::ApplyDesign(design);
    bag_ = PropertyBag(design.Properties);
}

void UserControl::Realize() {
    if (realized_ || Host() == nullptr || Host()->Hwnd() == nullptr) {
        return;
    }
    DWORD style = WS_CHILD | WS_CLIPCHILDREN;
    if (ShownInHost()) {
        style |= WS_VISIBLE;
    }
    CreateHostWindow(style, WS_EX_CONTROLPARENT, Host()->Hwnd(), HostRect(), Name());
    if (!ElementEnabledInHost()) {
        EnableWindow(Hwnd(), FALSE);
    }
    RealizeElements();
    realized_ = true;
    UserControl_Initialize();
    UserControl_ReadProperties(bag_);
    UserControl_Resize();
}

void UserControl::PropertyChanged(const std::string& key) const {
    if (PropertyChangedNotify) {
        PropertyChangedNotify(key);
    }
}

void UserControl::SetControlBackColor(OleColor color) {
    backColor_ = color;
    if (Hwnd() != nullptr) {
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
}

void UserControl::SetTransparent(bool transparent) {
    transparent_ = transparent;
    if (Hwnd() != nullptr) {
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
}

void UserControl::GeometryChanged(bool sizeChanged) {
    PlaceWindow();
    if (sizeChanged && realized_) {
        UserControl_Resize();
    }
}

void UserControl::PaintHostBackground(HDC dc, const RECT& clip) const {
    if (transparent_ && Host() != nullptr) {
        // What the host draws beneath the control: its background and windowless elements.
        RECT place = HostRect();
        RECT area = clip;
        OffsetRect(&area, place.left, place.top);
        ScopedViewportOffset offset(dc, -place.left, -place.top);
        Host()->PaintContent(dc, area);
        return;
    }
    ScopedBrush brush(CreateSolidBrush(ToColorRef(backColor_)));
    FillRect(dc, &clip, brush.get());
}

void UserControl::BeforeMouseDown() {
    if (canGetFocus_ && !focusInside_ && IsWindowEnabled(Hwnd())) {
        SetFocus(Hwnd());
    }
}

HCURSOR UserControl::BackgroundCursor() const {
    return controlPointer_ != nullptr ? controlPointer_ : HostContainer::BackgroundCursor();
}

bool UserControl::Inside(HWND window) const {
    return window != nullptr && (window == Hwnd() || IsChild(Hwnd(), window));
}

void UserControl::FocusMoved(bool gained, HWND other) {
    if (gained) {
        if (!focusInside_) {
            focusInside_ = true;
            if (GotFocus) {
                GotFocus();
            }
        }
        return;
    }
    if (focusInside_ && !Inside(other)) {
        focusInside_ = false;
        UserControl_ExitFocus();
        if (LostFocus) {
            LostFocus();
        }
    }
}

LRESULT UserControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFOCUS:
        FocusMoved(true, FromParameter<HWND>(wParam));
        UserControl_GotFocus();
        return 0;
    case WM_KILLFOCUS:
        FocusMoved(false, FromParameter<HWND>(wParam));
        return 0;
    default:
        return HostContainer::HandleMessage(message, wParam, lParam);
    }
}

void UserControl::WatchFocus(HWND window) {
    SetWindowSubclass(window, &WatchProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK UserControl::WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self) {
    auto* control = FromParameter<UserControl*>(self);
    LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    switch (message) {
    case WM_SETFOCUS:
        Guarded([&] { control->FocusMoved(true, FromParameter<HWND>(wParam)); });
        break;
    case WM_KILLFOCUS:
        Guarded([&] { control->FocusMoved(false, FromParameter<HWND>(wParam)); });
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &WatchProc, id);
        break;
    default:
        break;
    }
    return result;
}

} // namespace instalio::ui
