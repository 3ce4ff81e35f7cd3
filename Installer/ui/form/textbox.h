// A single-line text box: a native edit window of its host, without a frame of its own. The
// host's handlers see every change of the text (typed or set), and may change or cancel a
// typed character in KeyPress and the key in KeyUp.
#pragma once

#include "element.h"
#include "font.h"
#include "owners.h"

#include <cstdint>
#include <string>

namespace instalio::ui {

class TextBox : public Element {
public:
    using Element::Element;
    ~TextBox() override;

    std::string Text() const;
    void SetText(const std::string& text);
    // 0: no limit. A negative length fails with invalid property value (380), and nothing
    // changes.
    long MaxLength() const { return maxLength_; }
    void SetMaxLength(long length);
    // Read-only.
    bool Locked() const { return locked_; }
    void SetLocked(bool locked);
    OleColor BackColor() const { return backColor_; }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return foreColor_; }
    void SetForeColor(OleColor color);
    void SetFocus() const;

    std::function<void()> Change;
    std::function<void(std::int16_t& KeyAscii)> KeyPress;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyUp;

    bool Windowless() const override { return false; }
    bool TakesFocus() const override { return hwnd_ != nullptr; }
    HWND Window() const override { return hwnd_; }
    void Realize() override;
    bool HandleHostMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    LRESULT Edit(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::string text_; // the text until the window exists
    long maxLength_ = 0;
    bool locked_ = false;
    OleColor backColor_ = kSystemColorFlag | COLOR_WINDOW;
    OleColor foreColor_ = kSystemColorFlag | COLOR_WINDOWTEXT;
    ScopedBrush backBrush_;
    FontSpec font_;
};

} // namespace instalio::ui
