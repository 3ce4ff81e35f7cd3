// POSIX implementation of the OS layer (Linux: the events sleep on futex words).
#include "os.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <dlfcn.h>
#include <linux/futex.h>
#include <new>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace termlink::os {

namespace {

// A manual-reset event on one futex word: bit 0 is the signalled state, and the bits above count
// the resets of a signalled event. set() is one atomic operation, and it makes a system call
// only when a thread sleeps on the word. As on Windows, a set() releases every thread waiting at
// that moment even when a reset() follows before they run: a waiter also returns when the count
// of resets moved on since it began to wait.
using Word = std::atomic<std::uint32_t>;
static_assert(sizeof(Word) == sizeof(std::uint32_t) && Word::is_always_lock_free);

constexpr std::uint32_t kSignalled = 1;
constexpr std::uint32_t kOneReset = 2;

bool SetSince(std::uint32_t start, std::uint32_t now) {
    return (now & kSignalled) != 0 || (now & ~kSignalled) != (start & ~kSignalled);
}

// Sleeps while the word holds `expected`, at most until the deadline (none: without limit).
// False when the deadline passed.
bool FutexWait(Word* word, std::uint32_t expected, const timespec* deadline) {
    const long rc = syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word),
                            FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG, expected, deadline, nullptr,
                            FUTEX_BITSET_MATCH_ANY);
    return rc == 0 || errno != ETIMEDOUT;
}

void FutexWakeAll(Word* word) {
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), FUTEX_WAKE | FUTEX_PRIVATE_FLAG,
            INT_MAX, nullptr, nullptr, 0);
}

struct SetSinceStart {
    const Word* word;
    std::uint32_t start;
};

bool HasBeenSet(const void* argument) {
    const auto* since = static_cast<const SetSinceStart*>(argument);
    return SetSince(since->start, since->word->load());
}

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

} // namespace

bool Event::create(bool signalled) {
    close();
    if (InjectedFailure(eventCreatesBeforeFailure)) {
        return false;
    }
    handle_ = new (std::nothrow) Word(signalled ? kSignalled : 0);
    return handle_ != nullptr;
}

void Event::close() {
    delete static_cast<Word*>(handle_);
    handle_ = nullptr;
}

void Event::set() {
    auto* word = static_cast<Word*>(handle_);
    // Pairs with wait(): a waiter counts itself among the sleepers before it looks at the word,
    // so either this sees it or it sees the signalled bit.
    const std::uint32_t old = word->fetch_or(kSignalled);
    if ((old & kSignalled) == 0 && sleepers_.load() > 0) {
        FutexWakeAll(word);
    }
    if (Clock* clock = ReplacedClock()) {
        clock->Changed();
    }
}

void Event::reset() {
    auto* word = static_cast<Word*>(handle_);
    std::uint32_t old = word->load(std::memory_order_relaxed);
    while ((old & kSignalled) != 0 &&
           !word->compare_exchange_weak(old, (old & ~kSignalled) + kOneReset)) {
    }
}

WaitResult Event::wait(int milliseconds) const {
    auto* word = static_cast<Word*>(handle_);
    if (word == nullptr) {
        return WaitResult::Abandoned;
    }
    const std::uint32_t start = word->load();
    if ((start & kSignalled) != 0) {
        return WaitResult::Signalled;
    }
    // A poll (0 ms) only looks.
    if (milliseconds == 0) {
        return WaitResult::TimedOut;
    }
    if (Clock* clock = ReplacedClock()) {
        const SetSinceStart since{word, start};
        sleepers_.fetch_add(1);
        const bool set = clock->WaitUntil(HasBeenSet, &since, milliseconds < 0 ? -1 : milliseconds);
        sleepers_.fetch_sub(1);
        return set ? WaitResult::Signalled : WaitResult::TimedOut;
    }
    const timespec deadline = DeadlineAfter(milliseconds < 0 ? 0 : milliseconds);
    sleepers_.fetch_add(1);
    WaitResult result = WaitResult::TimedOut;
    bool late = false;
    for (;;) {
        const std::uint32_t now = word->load();
        if (SetSince(start, now)) {
            result = WaitResult::Signalled;
            break;
        }
        if (late) {
            break;
        }
        late = !FutexWait(word, now, milliseconds < 0 ? nullptr : &deadline);
    }
    sleepers_.fetch_sub(1);
    return result;
}

// Cooperative suspension: `running` is true while the thread is outside every BlockingScope;
// suspend() waits until it is false, and leaving a scope waits while `suspended` is above 0.
struct Thread::State {
    pthread_t thread{};
    Proc proc = nullptr;
    void* argument = nullptr;
    Clock* clock = nullptr; // the clock in use when the thread started
    std::atomic<bool> finished{false};
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
    state->finished = true;
    CountThreadEnded(state->clock);
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
    state->clock = CountThreadStarting();
    if (pthread_create(&state->thread, nullptr, TermlinkThreadStart, state) != 0) {
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
    if (Clock* clock = ReplacedClock()) {
        return clock->TickCount();
    }
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
    if (Clock* clock = ReplacedClock()) {
        clock->Sleep(milliseconds);
        return;
    }
    timespec t{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

} // namespace termlink::os
