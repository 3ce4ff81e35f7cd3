// What the control tests share: a visible window to put the controls in, the event pump, real
// mouse and key messages posted to a native control, and the log of raised events.
#pragma once

#include "support.h" // FailureNumber

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace instalio::test {

// A visible top-level window of 400 x 400 pixels, brought to the front, with VMCOMCTL.OCX
// registered from the build folder.
class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Dispatches the messages waiting for this thread until none is left.
void Pump();

// A left click at a point of `window`'s client area: button down and up, then the pump.
void Click(HWND window, POINT point);
// A double click there.
void DoubleClick(HWND window, POINT point);
// A key pressed and released in `window`, then the pump.
void Press(HWND window, WORD key);

// The same through the window system's input queue (SendInput: the mouse moves there), then
// the pump until the input has been taken. The window must be in the foreground.
void InputClick(HWND window, POINT point);
void InputPress(WORD key);

// A 16 x 16 24-bit bitmap: the left half of `colour`, the right half magenta.
HBITMAP HalfMagenta(COLORREF colour);

// The pixel of a bitmap.
COLORREF PixelOf(HBITMAP bitmap, int x, int y);

} // namespace instalio::test
