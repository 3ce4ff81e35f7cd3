// Helpers of the window tests: real mouse and keyboard input through the window system, pumping
// events, and pictures of the screen saved as PNG files.
#pragma once

#include "pump.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace instalio::test {

// Runs the window system's pending events of this thread for about `milliseconds`.
void Pump(int milliseconds = 50);

// While it lives, events are pumped as the program pumps them (through the form layer's
// clock): the Tab key moves the focus between a form's controls.
class ProgramPump {
public:
    ProgramPump() { SetEngineClock(&clock_); }
    ~ProgramPump() { SetEngineClock(nullptr); }
    ProgramPump(const ProgramPump&) = delete;
    ProgramPump& operator=(const ProgramPump&) = delete;

private:
    ui::FormClock clock_;
};

// Real input, sent through the window system (SendInput) from this thread; each call returns
// once this thread has handled what the input caused. A press of the left button near the last
// one waits until the system's double-click time has passed since it, so that separate presses
// never make a double click; DoubleClick makes one.
void MouseMove(POINT screen);
void MouseDown(int button = 1);
void MouseUp(int button = 1);
void MouseClick(POINT screen, int button = 1);
void DoubleClick(POINT screen);
void KeyPress(WORD virtualKey);
// A key pressed with Shift held down.
void ShiftKeyPress(WORD virtualKey);
// Types `text` (ASCII) as key presses.
void TypeText(const std::string& text);

// Runs `script` on a second thread while this thread keeps pumping events, for input that
// lands in a loop of the window system (moving a window, a modal window).
void RunInputThread(const std::function<void()>& script);
// Input for such a script: sent without waiting for this thread.
void SendMouseMove(POINT screen);
void SendMouseButton(bool down, int button = 1);

// Presses the left button at client pixel (x, y) of `window`, moves the mouse by (dx, dy) and
// releases it, by real input, pumping this thread's events meanwhile.
void DragFrom(HWND window, int x, int y, int dx, int dy);

// A point of a window's client area in screen coordinates.
POINT ScreenPoint(HWND window, int x, int y);
// The centre of a client rectangle of `window`, in screen coordinates.
POINT ScreenCentre(HWND window, const RECT& client);

// A picture of part of the screen, top row first.
class ScreenPicture {
public:
    static ScreenPicture Capture(const RECT& screen);
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const;
    // Counts the pixels of `color` in the rectangle (picture coordinates).
    int Count(COLORREF color, const RECT& area) const;
    bool SavePng(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_; // 0x00RRGGBB
};

// The folder for pictures the tests leave in the build tree (ends in "\").
std::string PictureFolder();

// Registers the common controls library built beside the test program in this prefix, once per
// run, so that the controls made of it find it. True when it is registered.
bool CommonControlsRegistered();

} // namespace instalio::test
