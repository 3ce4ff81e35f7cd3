// The few operating-system services that termlink needs: manual-reset events, threads,
// library loading, a millisecond tick count and sleeping. Nothing else in the library
// knows which system it runs on. Their time (tick count, sleeps, the time-outs of waits) is a
// test's clock instead when one is set (clock.h).
#pragma once

#include "clock.h"

#include <atomic>
#include <cstdint>

namespace termlink::os {

// Failure injection for tests of the unwinding paths: at -1 (normal use) nothing happens;
// at k >= 0, k more creations succeed and the next one fails, which turns the hook off again.
extern std::atomic<int> eventCreatesBeforeFailure;
extern std::atomic<int> threadStartsBeforeFailure;
bool InjectedFailure(std::atomic<int>& creationsBeforeFailure);

enum class WaitResult { Signalled, TimedOut, Abandoned };

// Manual-reset event without a name.
class Event {
public:
    Event() = default;
    ~Event() { close(); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool create(bool signalled);
    void close();
    explicit operator bool() const { return handle_ != nullptr; }

    void set();
    void reset();
    // A negative time-out waits without limit.
    WaitResult wait(int milliseconds) const;

    // Threads inside a wait that may sleep. On POSIX each of them is released by the next set(),
    // even when a reset() follows at once; on Windows the count is taken just before the
    // system's wait. Tests use it to know that their threads are waiting.
    int sleepers() const { return sleepers_.load(); }

private:
    void* handle_ = nullptr;
    mutable std::atomic<int> sleepers_{0};
#if defined(_WIN32)
    // Counts the sets made while a test's clock is in use, so that a wait through that clock is
    // released by a set that a reset follows at once, as the system's own wait is.
    std::atomic<std::uint32_t> sets_{0};
#endif
};

// A thread that can be paused from another thread.
//
// On Windows suspend() and resume() are the system's thread suspension. POSIX has no safe
// suspension, so there it is cooperative: a thread counts as paused only while it is inside a
// BlockingScope (waiting for an event or in a transport read); suspend() returns once the thread
// is in one, and the thread does not leave it while it is suspended.
class Thread {
public:
    using Proc = void (*)(void* argument);

    Thread() = default;
    ~Thread() { join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool start(Proc proc, void* argument);
    explicit operator bool() const { return state_ != nullptr; }
    // Waits for the thread without a time limit, then releases it. Nothing when not started.
    void join();
    void suspend();
    void resume();

    struct State; // defined by each system's implementation

private:
    State* state_ = nullptr;
};

// Marks the calling thread as blocked for the cooperative suspension of Thread (POSIX).
class BlockingScope {
public:
    BlockingScope();
    // Not trivial on POSIX; defaulted in the Windows implementation.
    ~BlockingScope(); // NOLINT(performance-trivially-destructible)
    BlockingScope(const BlockingScope&) = delete;
    BlockingScope& operator=(const BlockingScope&) = delete;
};

// A loaded shared library.
class Library {
public:
    Library() = default;
    ~Library() { unload(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool load(const char* fileName);
    void unload();
    explicit operator bool() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;

private:
    void* handle_ = nullptr;
};

// Milliseconds since an arbitrary start, wrapping modulo 2^32 like GetTickCount.
std::uint32_t TickCount();
void SleepMs(int milliseconds);

} // namespace termlink::os
