// Virtual time for the termlink tests. termlink's pauses and time-outs, the scripted terminal's
// delays and read time-outs, and the tests' own waits all run on this clock: time stands still
// while any thread of the test works, and jumps to the next deadline once every thread waits.
// So a test that waits 30 s for a modem runs at once, and still sees the waits in their order
// and with their lengths.
//
// Every thread that waits on the clock must be counted: the test's own thread (Start), the
// library's threads (it reports them), and any thread a test starts itself (ThreadStarting and
// ThreadEnded around it). Whatever can end a wait calls Changed() after it changed state.
//
// Nothing here takes a lock or allocates: on Windows termlink suspends its reader thread around
// sends, wherever it is.
#pragma once

#include "clock.h"

#include <atomic>
#include <cstdint>
#include <limits>

namespace scripted {

class VirtualClock final : public termlink::Clock {
public:
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    // Time 0, with the calling thread as the one thread that runs.
    void Start();
    // Ends a test's use of the clock: every other thread must have ended.
    void Stop();

    std::int64_t NowMs() const { return now_.load(); }

    // Waits until ready() holds or the deadline (absolute; kNever: none) comes. wakeAt() names
    // the time at which ready() may come to hold without a Changed() (a packet falling due);
    // kNever when there is none. True when ready() held.
    template <typename Ready, typename WakeAt>
    bool Await(std::int64_t deadline, Ready&& ready, WakeAt&& wakeAt) {
        struct Both {
            Ready& ready;
            WakeAt& wakeAt;
        } both{ready, wakeAt};
        return Wait(deadline, {[](void* b) { return static_cast<Both*>(b)->ready(); },
                               [](void* b) { return static_cast<Both*>(b)->wakeAt(); }, &both});
    }
    // Waits up to `milliseconds` (negative: without limit) until ready() holds.
    template <typename Ready> bool AwaitFor(int milliseconds, Ready&& ready) {
        return Await(DeadlineAfter(milliseconds), ready, [] { return kNever; });
    }

    // termlink::Clock
    std::uint32_t TickCount() override;
    void Sleep(int milliseconds) override;
    bool WaitUntil(bool (*ready)(const void* argument), const void* argument,
                   int milliseconds) override;
    void Changed() override;
    void ThreadStarting() override;
    void ThreadEnded() override;

private:
    struct Condition {
        bool (*ready)(void* argument);
        std::int64_t (*wakeAt)(void* argument);
        void* argument;
    };

    // One waiting thread: the time it waits for, and the state of the clock (the count of
    // changes) at which it last found its condition false.
    struct Waiter {
        std::atomic<bool> used{false};
        std::atomic<std::int64_t> wakeAt{kNever};
        std::atomic<std::uint32_t> seen{0};
    };
    static constexpr int kWaiters = 64;

    std::int64_t DeadlineAfter(int milliseconds) const;
    bool Wait(std::int64_t deadline, const Condition& condition);
    Waiter* Enter();
    void Leave(Waiter* waiter);
    // Moves time on to the earliest wake-up when every counted thread waits and none of them
    // can go on: all have looked at their conditions since the last change.
    void TryAdvance();
    // Sleeps until the count of changes is no longer `seen`.
    void Block(std::uint32_t seen);
    void WakeAll();

    std::atomic<std::int64_t> now_{0};
    std::atomic<std::uint32_t> changes_{0};
    std::atomic<int> blocked_{0};
    // Low 32 bits: threads that run (counted, not waiting on the clock). High 32 bits: how
    // often a thread began or ended a wait, started or ended, so that TryAdvance can tell that
    // nothing moved while it looked.
    std::atomic<std::uint64_t> threads_{0};
    Waiter waiters_[kWaiters];
};

// The clock of the test program.
VirtualClock& TheClock();

// Makes termlink's time the test program's clock (null: the platform's own again).
void UseClockInTermlink(termlink::Clock* clock);

} // namespace scripted
