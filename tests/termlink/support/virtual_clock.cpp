#include "virtual_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

// The test build of termlink exports this (clock_export.cpp); the in-process tests link the
// same function.
extern "C" void termlink_SetClock(termlink::Clock* clock);

namespace scripted {

namespace {

constexpr std::uint64_t kMove = std::uint64_t{1} << 32;

std::uint32_t Running(std::uint64_t threads) {
    return static_cast<std::uint32_t>(threads);
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "virtual clock: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

} // namespace

void VirtualClock::Start() {
    for (const Waiter& waiter : waiters_) {
        if (waiter.used.load()) {
            Fail("a thread still waits from the test before");
        }
    }
    now_ = 0;
    threads_ = kMove + 1;
    Changed();
}

void VirtualClock::Stop() {
    if (Running(threads_.load()) != 1) {
        Fail("a thread that waits on the clock outlived its test");
    }
}

std::int64_t VirtualClock::DeadlineAfter(int milliseconds) const {
    return milliseconds < 0 ? kNever : NowMs() + milliseconds;
}

std::uint32_t VirtualClock::TickCount() {
    return static_cast<std::uint32_t>(NowMs());
}

void VirtualClock::Sleep(int milliseconds) {
    AwaitFor(milliseconds, [] { return false; });
}

bool VirtualClock::WaitUntil(bool (*ready)(const void* argument), const void* argument,
                             int milliseconds) {
    return AwaitFor(milliseconds, [&] { return ready(argument); });
}

void VirtualClock::Changed() {
    changes_.fetch_add(1);
    WakeAll();
}

void VirtualClock::WakeAll() {
#if !defined(_WIN32)
    if (blocked_.load() > 0) {
        syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&changes_),
                FUTEX_WAKE | FUTEX_PRIVATE_FLAG, INT_MAX, nullptr, nullptr, 0);
    }
#endif
}

void VirtualClock::ThreadStarting() {
    threads_.fetch_add(kMove + 1);
}

void VirtualClock::ThreadEnded() {
    threads_.fetch_add(kMove - 1);
    Changed();
}

VirtualClock::Waiter* VirtualClock::Enter() {
    for (Waiter& waiter : waiters_) {
        bool expected = false;
        if (waiter.used.compare_exchange_strong(expected, true)) {
            // Not settled: `seen` matches no count of changes to come for a long while.
            waiter.seen = changes_.load() - 1;
            waiter.wakeAt = kNever;
            if (Running(threads_.fetch_add(kMove - 1)) == 0) {
                Fail("a thread waits that the clock does not count");
            }
            return &waiter;
        }
    }
    Fail("more waiting threads than places");
}

void VirtualClock::Leave(Waiter* waiter) {
    threads_.fetch_add(kMove + 1);
    waiter->used = false;
}

bool VirtualClock::Wait(std::int64_t deadline, const Condition& condition) {
    Waiter* waiter = Enter();
    bool ready = false;
    for (;;) {
        const std::uint32_t seen = changes_.load();
        if (condition.ready(condition.argument)) {
            ready = true;
            break;
        }
        const std::int64_t now = NowMs();
        if (now >= deadline) {
            break;
        }
        const std::int64_t wakeAt = condition.wakeAt != nullptr
                                        ? std::min(deadline, condition.wakeAt(condition.argument))
                                        : deadline;
        if (wakeAt <= now) {
            continue; // due already: look again
        }
        waiter->wakeAt = wakeAt;
        waiter->seen = seen;
        TryAdvance();
        Block(seen);
    }
    Leave(waiter);
    return ready;
}

void VirtualClock::TryAdvance() {
    const std::uint64_t before = threads_.load();
    if (Running(before) != 0) {
        return;
    }
    std::uint32_t changes = changes_.load();
    std::int64_t next = kNever;
    for (const Waiter& waiter : waiters_) {
        if (waiter.used.load()) {
            if (waiter.seen.load() != changes) {
                return; // it has not looked since the last change
            }
            next = std::min(next, waiter.wakeAt.load());
        }
    }
    if (threads_.load() != before) {
        return;
    }
    if (next == kNever) {
        Fail("every thread waits without a time limit");
    }
    std::int64_t now = now_.load();
    while (now < next && !now_.compare_exchange_weak(now, next)) {
    }
    if (changes_.compare_exchange_strong(changes, changes + 1)) {
        WakeAll();
    }
}

void VirtualClock::Block(std::uint32_t seen) {
#if defined(_WIN32)
    // No lock-free wait on an address that a suspended thread could not hold up: look again
    // after a moment.
    for (int round = 0; changes_.load() == seen; ++round) {
        if (round < 50) {
            SwitchToThread();
        } else {
            ::Sleep(1);
        }
    }
#else
    blocked_.fetch_add(1);
    while (changes_.load() == seen) {
        syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&changes_),
                FUTEX_WAIT | FUTEX_PRIVATE_FLAG, seen, nullptr, nullptr, 0);
    }
    blocked_.fetch_sub(1);
#endif
}

VirtualClock& TheClock() {
    static VirtualClock clock;
    return clock;
}

void UseClockInTermlink(termlink::Clock* clock) {
    termlink_SetClock(clock);
}

} // namespace scripted
