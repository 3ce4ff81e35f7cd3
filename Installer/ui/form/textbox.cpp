#include "textbox.h"

#include "failure.h"
#include "guard.h"
#include "host.h"
#include "keyboard.h"
#include "message.h"

#include <commctrl.h>

#include <vector>

namespace instalio::ui {

namespace {

constexpr std::int32_t kInvalidPropertyValue = 380;

} // namespace

TextBox::~TextBox() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

std::string TextBox::Text() const {
    if (hwnd_ == nullptr) {
        return text_;
    }
    int length = GetWindowTextLengthA(hwnd_);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    int got = GetWindowTextA(hwnd_, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

void TextBox::SetText(const std::string& text) {
    text_ = text;
    if (hwnd_ != nullptr) {
        SetWindowTextA(hwnd_, text.c_str()); // the edit reports the change before this returns
    } else if (Change) {
        Change();
    }
}

void TextBox::SetMaxLength(long length) {
    if (length < 0) {
        throw RunTimeFailure{kInvalidPropertyValue, "Invalid property value"};
    }
    maxLength_ = length;
    if (hwnd_ != nullptr) {
        SendMessageA(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(length > 0 ? length : 0), 0);
    }
}

void TextBox::SetLocked(bool locked) {
    locked_ = locked;
    if (hwnd_ != nullptr) {
        SendMessageA(hwnd_, EM_SETREADONLY, locked, 0);
    }
}

void TextBox::SetBackColor(OleColor color) {
    backColor_ = color;
    backBrush_.reset(CreateSolidBrush(ToColorRef(color)));
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void TextBox::SetForeColor(OleColor color) {
    foreColor_ = color;
    if (hwnd_ != nullptr) {
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void TextBox::SetFocus() const {
    if (hwnd_ != nullptr) {
        ::SetFocus(hwnd_);
    }
}

void TextBox::Realize() {
    if (hwnd_ != nullptr || Host() == nullptr || Host()->Hwnd() == nullptr) {
        return;
    }
    RECT rect = HostRect();
    DWORD style = WS_CHILD | ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
    if (ShownInHost()) {
        style |= WS_VISIBLE;
    }
    hwnd_ = CreateWindowExA(0, "EDIT", text_.c_str(), style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, Host()->Hwnd(), nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr) {
        throw std::runtime_error("the window system refused a text box");
    }
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(font_)), FALSE);
    SetWindowSubclass(hwnd_, &EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SetMaxLength(maxLength_);
    SetLocked(locked_);
    SetBackColor(backColor_);
    EnableWindow(hwnd_, ElementEnabledInHost());
}

bool TextBox::HandleHostMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && Change) {
            Change();
        }
        result = 0;
        return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        auto dc = FromParameter<HDC>(wParam);
        bool enabled = IsWindowEnabled(hwnd_) != FALSE;
        SetTextColor(dc, enabled ? ToColorRef(foreColor_) : GetSysColor(COLOR_GRAYTEXT));
        SetBkColor(dc, ToColorRef(backColor_));
        result = reinterpret_cast<LRESULT>(backBrush_.get());
        return true;
    }
    default:
        (void)lParam;
        return false;
    }
}

LRESULT TextBox::Edit(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
        if (KeyPress) {
            auto keyAscii = static_cast<std::int16_t>(wParam);
            KeyPress(keyAscii);
            if (keyAscii == 0) {
                return 0; // cancelled by the handler
            }
            wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(keyAscii));
        }
        break;
    case WM_KEYUP:
        if (KeyUp) {
            auto keyCode = static_cast<std::int16_t>(wParam);
            std::int16_t shift = ShiftState();
            KeyUp(keyCode, shift);
            if (keyCode == 0) {
                return 0;
            }
            wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(keyCode));
        }
        break;
    case WM_SETFOCUS: {
        LRESULT result = DefSubclassProc(hwnd_, message, wParam, lParam);
        Host()->FocusMoved(true, FromParameter<HWND>(wParam));
        if (GotFocus) {
            GotFocus();
        }
        return result;
    }
    case WM_KILLFOCUS: {
        LRESULT result = DefSubclassProc(hwnd_, message, wParam, lParam);
        if (LostFocus) {
            LostFocus();
        }
        Host()->FocusMoved(false, FromParameter<HWND>(wParam));
        return result;
    }
    default:
        break;
    }
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TextBox::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self) {
    auto* box = FromParameter<TextBox*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &EditProc, id);
        box->hwnd_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (!Guarded([&] { result = box->Edit(message, wParam, lParam); })) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return result;
}

} // namespace instalio::ui
