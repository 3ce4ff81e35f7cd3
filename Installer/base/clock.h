// Sleeping and event pumping of the engine's long steps. Everything runs on the user-interface
// thread, which sleeps between stages and runs the window system's pending events so that the
// window stays alive. Both go through one replaceable object, so that a test can run the pauses
// at once while it checks their order and lengths.
#pragma once

#include "win.h"

namespace instalio {

class Clock {
public:
    virtual ~Clock() = default;
    // Suspends the thread for `milliseconds` (the platform's Sleep).
    virtual void Sleep(int milliseconds) = 0;
    // Runs the window system's pending events of this thread, then returns (DoEvents).
    virtual void DoEvents() = 0;
    // Waits until `object` is signalled, at most `milliseconds`; returns early when new events
    // reach this thread, which the caller then runs with DoEvents.
    virtual void WaitFor(HANDLE object, int milliseconds) = 0;
};

// Runs one event of the window system.
using EventRunner = void (*)(MSG& message);

// Runs the window system's pending events of this thread (what the platform's DoEvents does):
// each through `run`, or translated and dispatched to its window without one.
void PumpPendingEvents(EventRunner run = nullptr);

// How a wait for an object or the thread's events ended.
enum class WaitEnd { Signalled, Events, TimedOut, Failed };

// The platform's message-aware wait: waits at most `milliseconds` for `object` to be signalled
// or for events to reach this thread's queue after its last look at it (input, posted and sent
// messages, timers, painting).
WaitEnd WaitForObjectOrEvents(HANDLE object, int milliseconds);

// The clock in use: the platform's own unless a test has set another.
Clock& EngineClock();

// The platform's own clock, whatever clock is in use: real pauses and waits, and the pump of
// PumpPendingEvents without a runner.
Clock& SystemClock();

// Sets the clock in use; null restores the platform's own.
void SetEngineClock(Clock* clock);

} // namespace instalio
