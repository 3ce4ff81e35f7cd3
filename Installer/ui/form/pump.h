// The event pump of the program's one thread: runs the window system's pending events.
#pragma once

#include "clock.h"

namespace instalio::ui {

// Runs every pending event of this thread, then returns (through the engine's clock, so that
// the engine and the windows pump in one way).
void DoEvents();

// The program's clock: a pause keeps the windows painted and movable, running the thread's
// events while it waits (the engine's steps keep their order and lengths).
class FormClock final : public Clock {
public:
    void Sleep(int milliseconds) override;
    void DoEvents() override;
    void WaitFor(HANDLE object, int milliseconds) override;
};

} // namespace instalio::ui
