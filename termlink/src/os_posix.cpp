// POSIX implementation of the OS layer.
#include "os.h"

#include <cerrno>
#include <ctime>
#include <dlfcn.h>
#include <new>
#include <pthread.h>

namespace termlink::os {

namespace {

// A manual-reset event. As on Windows, a set() releases every thread waiting at that moment even
// when a reset() follows before they run: a waiter also returns when `sets` moved on.
struct EventState {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    bool signalled;
    unsigned sets;
};

timespec DeadlineAfter(int milliseconds) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += milliseconds / 1000;
    t.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

bool InitMonotonicCond(pthread_cond_t* cond) {
    pthread_condattr_t attr;
    if (pthread_condattr_init(&attr) != 0) {
        return false;
    }
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    bool ok = pthread_cond_init(cond, &attr) == 0;
    pthread_condattr_destroy(&attr);
    return ok;
}

} // namespace

bool Event::create(bool signalled) {
    close();
    if (InjectedFailure(eventCreatesBeforeFailure)) {
        return false;
    }
    auto* state = new (std::nothrow) EventState;
    if (state == nullptr) {
        return false;
    }
    if (pthread_mutex_init(&state->mutex, nullptr) != 0) {
        delete state;
        return false;
    }
    if (!InitMonotonicCond(&state->cond)) {
        pthread_mutex_destroy(&state->mutex);
        delete state;
        return false;
    }
    state->signalled = signalled;
    state->sets = 0;
    handle_ = state;
    return true;
}

void Event::close() {
    if (handle_ == nullptr) {
        return;
    }
    auto* state = static_cast<EventState*>(handle_);
    pthread_cond_destroy(&state->cond);
    pthread_mutex_destroy(&state->mutex);
    delete state;
    handle_ = nullptr;
}

void Event::set() {
    auto* state = static_cast<EventState*>(handle_);
    pthread_mutex_lock(&state->mutex);
    state->signalled = true;
    ++state->sets;
    pthread_cond_broadcast(&state->cond);
    pthread_mutex_unlock(&state->mutex);
}

void Event::reset() {
    auto* state = static_cast<EventState*>(handle_);
    pthread_mutex_lock(&state->mutex);
    state->signalled = false;
    pthread_mutex_unlock(&state->mutex);
}

WaitResult Event::wait(int milliseconds) const {
    auto* state = static_cast<EventState*>(handle_);
    if (state == nullptr) {
        return WaitResult::Abandoned;
    }
    timespec deadline = DeadlineAfter(milliseconds < 0 ? 0 : milliseconds);
    pthread_mutex_lock(&state->mutex);
    // A poll (0 ms) only looks: a timed wait with a past deadline still sleeps out the timer
    // slack, tens of microseconds on every look at the stop event.
    int rc = milliseconds == 0 ? ETIMEDOUT : 0;
    const unsigned sets = state->sets;
    bool signalled = state->signalled;
    while (!signalled && rc != ETIMEDOUT) {
        rc = milliseconds < 0 ? pthread_cond_wait(&state->cond, &state->mutex)
                              : pthread_cond_timedwait(&state->cond, &state->mutex, &deadline);
        signalled = state->signalled || state->sets != sets;
    }
    pthread_mutex_unlock(&state->mutex);
    return signalled ? WaitResult::Signalled : WaitResult::TimedOut;
}

// Cooperative suspension: `running` is true while the thread is outside every BlockingScope;
// suspend() waits until it is false, and leaving a scope waits while `suspended` is above 0.
struct Thread::State {
    pthread_t thread{};
    Proc proc = nullptr;
    void* argument = nullptr;
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t cond = PTHREAD_COND_INITIALIZER;
    int suspended = 0;
    int blockingDepth = 0;
    bool running = true;
};

namespace {
thread_local Thread::State* currentThread = nullptr;
} // namespace

// The trampoline is a friend in spirit: it only uses State, which is private to this file.
extern "C" void* TermlinkThreadStart(void* parameter) {
    auto* state = static_cast<Thread::State*>(parameter);
    currentThread = state;
    state->proc(state->argument);
    pthread_mutex_lock(&state->mutex);
    state->running = false;
    pthread_cond_broadcast(&state->cond);
    pthread_mutex_unlock(&state->mutex);
    return nullptr;
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
    if (pthread_create(&state->thread, nullptr, TermlinkThreadStart, state) != 0) {
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
    pthread_join(state_->thread, nullptr);
    pthread_cond_destroy(&state_->cond);
    pthread_mutex_destroy(&state_->mutex);
    delete state_;
    state_ = nullptr;
}

void Thread::suspend() {
    if (state_ == nullptr) {
        return;
    }
    pthread_mutex_lock(&state_->mutex);
    state_->suspended += 1;
    while (state_->running && pthread_equal(state_->thread, pthread_self()) == 0) {
        pthread_cond_wait(&state_->cond, &state_->mutex);
    }
    pthread_mutex_unlock(&state_->mutex);
}

void Thread::resume() {
    if (state_ == nullptr) {
        return;
    }
    pthread_mutex_lock(&state_->mutex);
    if (state_->suspended > 0) {
        state_->suspended -= 1;
    }
    pthread_cond_broadcast(&state_->cond);
    pthread_mutex_unlock(&state_->mutex);
}

BlockingScope::BlockingScope() {
    Thread::State* state = currentThread;
    if (state == nullptr) {
        return;
    }
    pthread_mutex_lock(&state->mutex);
    if (state->blockingDepth++ == 0) {
        state->running = false;
        pthread_cond_broadcast(&state->cond);
    }
    pthread_mutex_unlock(&state->mutex);
}

BlockingScope::~BlockingScope() {
    Thread::State* state = currentThread;
    if (state == nullptr) {
        return;
    }
    pthread_mutex_lock(&state->mutex);
    if (--state->blockingDepth == 0) {
        while (state->suspended > 0) {
            pthread_cond_wait(&state->cond, &state->mutex);
        }
        state->running = true;
    }
    pthread_mutex_unlock(&state->mutex);
}

bool Library::load(const char* fileName) {
    unload();
    handle_ = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void Library::unload() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

void* Library::symbol(const char* name) const {
    return dlsym(handle_, name);
}

std::uint32_t TickCount() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    auto ms = static_cast<std::uint64_t>(t.tv_sec) * 1000U +
              static_cast<std::uint64_t>(t.tv_nsec) / 1000000U;
    return static_cast<std::uint32_t>(ms);
}

void SleepMs(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    timespec t{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

} // namespace termlink::os
