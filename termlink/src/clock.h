// The time of termlink: its tick count, its pauses, the time-outs of its waits and the threads
// that wait. All of them go through one replaceable object, so that a test can run the
// protocol's waits at once while it checks their order and lengths. While none is set, the
// OS layer (os.h) uses the platform's own time directly; a set clock costs the platform's path
// one load of a pointer.
#pragma once

#include <atomic>
#include <cstdint>

namespace termlink {

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start, wrapping modulo 2^32 like GetTickCount.
    virtual std::uint32_t TickCount() = 0;
    // Suspends the calling thread for `milliseconds`.
    virtual void Sleep(int milliseconds) = 0;
    // Waits until ready(argument) holds or `milliseconds` have passed (a negative time-out waits
    // without limit). True when it holds. Whatever can make it hold calls Changed() afterwards.
    virtual bool WaitUntil(bool (*ready)(const void* argument), const void* argument,
                           int milliseconds) = 0;
    // Something that a waiting thread may be waiting for has changed (an event was set, a
    // thread ended).
    virtual void Changed() = 0;
    // A thread of the library is about to start (called on the starting thread, before the new
    // one runs), or has ended its work (called on that thread as its last step).
    virtual void ThreadStarting() = 0;
    virtual void ThreadEnded() = 0;
};

namespace detail {
extern std::atomic<Clock*> replacedClock;
}

// The clock a test has set, or null: the platform's own time.
inline Clock* ReplacedClock() {
    return detail::replacedClock.load(std::memory_order_acquire);
}

// Sets the clock in use; null restores the platform's own. Only while no connection is open.
void SetClock(Clock* clock);

// For the OS layer's threads. A thread about to start is counted by the clock in use, which is
// returned (null: none) so that the thread's end is told to the same clock.
inline Clock* CountThreadStarting() {
    Clock* clock = ReplacedClock();
    if (clock != nullptr) {
        clock->ThreadStarting();
    }
    return clock;
}

inline void CountThreadEnded(Clock* clock) {
    if (clock != nullptr) {
        clock->ThreadEnded();
    }
}

// Waits through that clock until the thread has set `finished` as its last step (nothing
// without a clock: the system's own wait for the thread follows).
inline void AwaitThreadEnd(Clock* clock, const std::atomic<bool>& finished) {
    if (clock != nullptr) {
        clock->WaitUntil(
            [](const void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load(); },
            &finished, -1);
    }
}

} // namespace termlink
