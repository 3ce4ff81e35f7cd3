// Win32 implementation of the OS layer.
#include "os.h"

#include <new>

#include <windows.h>

namespace termlink::os {

bool Event::create(bool signalled) {
    close();
    if (InjectedFailure(eventCreatesBeforeFailure)) {
        return false;
    }
    handle_ = CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
    return handle_ != nullptr;
}

void Event::close() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
}

void Event::set() {
    SetEvent(handle_);
    if (Clock* clock = ReplacedClock()) {
        sets_.fetch_add(1);
        clock->Changed();
    }
}
void Event::reset() {
    ResetEvent(handle_);
}

namespace {

struct SetSinceStart {
    HANDLE handle;
    const std::atomic<std::uint32_t>* sets;
    std::uint32_t start;
};

bool HasBeenSet(const void* argument) {
    const auto* since = static_cast<const SetSinceStart*>(argument);
    return since->sets->load() != since->start ||
           WaitForSingleObject(since->handle, 0) == WAIT_OBJECT_0;
}

} // namespace

WaitResult Event::wait(int milliseconds) const {
    Clock* clock = milliseconds != 0 ? ReplacedClock() : nullptr;
    if (clock != nullptr && handle_ != nullptr) {
        const SetSinceStart since{handle_, &sets_, sets_.load()};
        if (WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0) {
            return WaitResult::Signalled;
        }
        sleepers_.fetch_add(1);
        const bool set = clock->WaitUntil(HasBeenSet, &since, milliseconds < 0 ? -1 : milliseconds);
        sleepers_.fetch_sub(1);
        return set ? WaitResult::Signalled : WaitResult::TimedOut;
    }
    const DWORD timeout = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    if (timeout != 0) {
        sleepers_.fetch_add(1);
    }
    const DWORD waited = WaitForSingleObject(handle_, timeout);
    if (timeout != 0) {
        sleepers_.fetch_sub(1);
    }
    switch (waited) {
    case WAIT_OBJECT_0:
        return WaitResult::Signalled;
    case WAIT_TIMEOUT:
        return WaitResult::TimedOut;
    default:
        return WaitResult::Abandoned;
    }
}

struct Thread::State {
    HANDLE handle = nullptr;
    Proc proc = nullptr;
    void* argument = nullptr;
    Clock* clock = nullptr; // the clock in use when the thread started
    std::atomic<bool> finished{false};
};

static DWORD WINAPI ThreadStart(LPVOID parameter) {
    auto* state = static_cast<Thread::State*>(parameter);
    state->proc(state->argument);
    state->finished = true;
    CountThreadEnded(state->clock);
    return 0;
}

bool Thread::start(Proc proc, void* argument) {
    join();
    if (InjectedFailure(threadStartsBeforeFailure)) {
        return false;
    }
    auto* state = new (std::nothrow) State;
    if (state == nullptr) {
        return false;
    }
    state->proc = proc;
    state->argument = argument;
    state->clock = CountThreadStarting();
    state->handle = CreateThread(nullptr, 0, ThreadStart, state, 0, nullptr);
    if (state->handle == nullptr) {
        CountThreadEnded(state->clock);
        delete state;
        return false;
    }
    state_ = state;
    return true;
}

void Thread::join() {
    if (state_ == nullptr) {
        return;
    }
    AwaitThreadEnd(state_->clock, state_->finished);
    WaitForSingleObject(state_->handle, INFINITE);
    CloseHandle(state_->handle);
    delete state_;
    state_ = nullptr;
}

void Thread::suspend() {
    if (state_ != nullptr) {
        SuspendThread(state_->handle);
    }
}

void Thread::resume() {
    if (state_ != nullptr) {
        ResumeThread(state_->handle);
    }
}

BlockingScope::BlockingScope() = default;
BlockingScope::~BlockingScope() = default;

bool Library::load(const char* fileName) {
    unload();
    handle_ = LoadLibraryA(fileName);
    return handle_ != nullptr;
}

void Library::unload() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

void* Library::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::uint32_t TickCount() {
    if (Clock* clock = ReplacedClock()) {
        return clock->TickCount();
    }
    return GetTickCount();
}

void SleepMs(int milliseconds) {
    if (Clock* clock = ReplacedClock(); clock != nullptr && milliseconds > 0) {
        clock->Sleep(milliseconds);
        return;
    }
    Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
}

} // namespace termlink::os
