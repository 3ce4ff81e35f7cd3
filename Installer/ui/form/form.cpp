#include "form.h"

#include "owners.h"
#include "pump.h"

namespace instalio::ui {

namespace {

int loadedForms = 0;

// The whole primary screen, taskbar and all.
RECT Screen() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

Form::Form(std::string name) : HostContainer(std::move(name)) {}

Form::~Form() {
    Unload();
}

int Form::LoadedForms() {
    return loadedForms;
}

void Form::Load() {
    if (Loaded()) {
        return;
    }
    RECT rect{Px(Left()), Px(Top()), Px(Left() + Width()), Px(Top() + Height())};
    CreateHostWindow(WS_POPUP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, nullptr, rect, caption_);
    ++loadedForms;
    ApplyDescription(Layout());
    RealizeElements();
    Form_Load();
}

void Form::Show() {
    Load();
    if (!shownBefore_) {
        CentreOn(Screen());
        shownBefore_ = true;
    }
    SetWindowLongPtrA(Hwnd(), GWL_EXSTYLE,
                      GetWindowLongPtrA(Hwnd(), GWL_EXSTYLE) | WS_EX_APPWINDOW);
    SetVisible(true);
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    UpdateWindow(Hwnd());
    Form_Activate();
}

void Form::ShowModal(Form& owner) {
    Load();
    HWND window = Hwnd();
    RECT area{};
    GetWindowRect(owner.Hwnd(), &area);
    CentreOn(area);
    shownBefore_ = true;
    SetWindowLongPtrA(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner.Hwnd()));
    modalOwner_ = owner.Hwnd();
    EnableWindow(modalOwner_, FALSE);
    SetVisible(true);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    Form_Activate();
    MSG message;
    while (Hwnd() != nullptr && IsWindowVisible(Hwnd())) {
        int got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 1);
            break;
        }
        RunEvent(message);
    }
    if (modalOwner_ != nullptr) {
        EnableWindow(modalOwner_, TRUE);
        SetForegroundWindow(modalOwner_);
        modalOwner_ = nullptr;
    }
}

void Form::Hide() {
    if (modalOwner_ != nullptr) {
        // The owner takes input again before this window goes, so that it is activated.
        EnableWindow(modalOwner_, TRUE);
    }
    SetVisible(false);
    if (Hwnd() != nullptr) {
        ShowWindow(Hwnd(), SW_HIDE);
    }
}

void Form::Unload() {
    if (modalOwner_ != nullptr) {
        EnableWindow(modalOwner_, TRUE);
    }
    DestroyHostWindow();
}

void Form::WindowDestroyed() {
    shownBefore_ = false;
    SetVisible(false);
    if (--loadedForms == 0) {
        PostQuitMessage(0);
    }
}

void Form::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (Hwnd() != nullptr) {
        SetWindowTextA(Hwnd(), caption.c_str());
    }
}

void Form::SetPicture(PicturePtr picture) {
    picture_ = std::move(picture);
    if (Hwnd() != nullptr) {
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
}

void Form::SetBackColor(OleColor color) {
    backColor_ = color;
    if (Hwnd() != nullptr) {
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
}

void Form::SetMousePointer(int pointer) {
    mousePointer_ = pointer;
    POINT cursor;
    if (Hwnd() != nullptr && GetCursorPos(&cursor) && WindowFromPoint(cursor) == Hwnd()) {
        SetCursor(BackgroundCursor());
    }
}

int Form::WindowState() const {
    if (Hwnd() != nullptr && IsIconic(Hwnd())) {
        return kMinimizedState;
    }
    if (Hwnd() != nullptr && IsZoomed(Hwnd())) {
        return kMaximizedState;
    }
    return kNormalState;
}

void Form::CentreOn(const RECT& area) {
    int left = area.left + (area.right - area.left - Px(Width())) / 2;
    int top = area.top + (area.bottom - area.top - Px(Height())) / 2;
    Move(Twips(left), Twips(top), Width(), Height());
}

void Form::GeometryChanged(bool /*sizeChanged*/) {
    if (Hwnd() != nullptr) {
        SetWindowPos(Hwnd(), nullptr, Px(Left()), Px(Top()), Px(Width()), Px(Height()),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::PaintHostBackground(HDC dc, const RECT& clip) const {
    ScopedBrush brush(CreateSolidBrush(ToColorRef(backColor_)));
    FillRect(dc, &clip, brush.get());
    if (picture_ != nullptr) {
        picture_->Draw(dc, 0, 0, picture_->Width(), picture_->Height());
    }
}

void Form::BackgroundMouseDown(int button, int shift, int x, int y) {
    Form_MouseDown(button, shift, x, y);
}

HCURSOR Form::BackgroundCursor() const {
    return LoadCursor(nullptr, mousePointer_ == kHourglassPointer ? IDC_WAIT : IDC_ARROW);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        Form_QueryClose();
        return 0;
    default:
        return HostContainer::HandleMessage(message, wParam, lParam);
    }
}

} // namespace instalio::ui
