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
}
void Event::reset() {
    ResetEvent(handle_);
}

WaitResult Event::wait(int milliseconds) const {
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
};

static DWORD WINAPI ThreadStart(LPVOID parameter) {
    auto* state = static_cast<Thread::State*>(parameter);
    state->proc(state->argument);
    return 0;
}

bool Thread::start(Proc proc, void* argument) {
    join();
    if (InjectedFailure(threadStartsBeforeFailure)) {
        return false;
    }
    auto* state = new (std::nothrow) State{nullptr, proc, argument};
    if (state == nullptr) {
        return false;
    }
    state->handle = CreateThread(nullptr, 0, ThreadStart, state, 0, nullptr);
    if (state->handle == nullptr) {
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
    return GetTickCount();
}

void SleepMs(int milliseconds) {
    Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
}

} // namespace termlink::os
