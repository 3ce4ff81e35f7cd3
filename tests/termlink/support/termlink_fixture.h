// Common ground of the termlink tests: a fixture that opens connections through the scriptable
// transport on the virtual clock, and a recorder for event callbacks.
#pragma once

#include "scripted_terminal.h"
#include "termlink.h"
#include "virtual_clock.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

namespace scripted {

struct Event {
    int callbackValue;
    int id;
    Bytes payload;
};

// Collects the events that reach a callback.
class EventRecorder {
public:
    static int TERMLINK_CALL Callback(int callbackValue, int eventId, int length,
                                      const unsigned char* payload);
    void Clear();
    // Waits until `count` events arrived or `ms` passed; returns what arrived.
    std::vector<Event> WaitFor(std::size_t count, int ms);

private:
    std::mutex mutex_;
    std::vector<Event> events_;
};

EventRecorder& Recorder();

// Virtual milliseconds since it was made.
class Stopwatch {
public:
    int ElapsedMs() const { return static_cast<int>(TheClock().NowMs() - start_); }

private:
    std::int64_t start_ = TheClock().NowMs();
};

// Each test runs on the virtual clock, from time 0, and closes what it left open.
class TermlinkTest : public ::testing::Test {
protected:
    // A sanitizer's helper thread starts with the process's first thread: start one before any
    // test takes a thread count (a test may run alone in its process).
    static void SetUpTestSuite() {
        std::thread([] {}).join();
    }

    void SetUp() override {
        TheClock().Start();
        UseClockInTermlink(&TheClock());
        TheTerminal().Reset();
        Recorder().Clear();
    }
    void TearDown() override {
        CloseAll();
        UseClockInTermlink(nullptr);
        TheClock().Stop();
    }

    Terminal& terminal() { return TheTerminal(); }

    // Opens through the named transport variant; with a callback the connection has a reader.
    TermConnection* Open(bool withCallback, const char* variant = "scripttransport",
                         int password = 0, int connectTimeout = 1000, int callbackValue = 77);
    void Close(TermConnection*& connection);
    void CloseAll();

private:
    std::vector<TermConnection*> open_;
};

} // namespace scripted
