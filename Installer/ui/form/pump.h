// The event pump of the program's one thread: runs the window system's pending events.
#pragma once

#include "clock.h"

#include <windows.h>

namespace instalio::ui {

// Runs every pending event of this thread, then returns (through the engine's clock, so that
// the engine and the windows pump in one way).
void DoEvents();

// Runs one event: the Tab key moves the focus within a form (taborder.h); every other event
// is translated and goes to its window. Every message loop of the program runs its events so.
void RunEvent(MSG& message);

// The message loop of the program: runs events until the quit request; returns its code.
int RunMessageLoop();

// The program's clock: a pause keeps the windows painted and movable, running the thread's
// events while it waits (the engine's steps keep their order and lengths).
class FormClock final : public Clock {
public:
    void Sleep(int milliseconds) override;
    void DoEvents() override;
    void WaitFor(HANDLE object, int milliseconds) override;
};

} // namespace instalio::ui
