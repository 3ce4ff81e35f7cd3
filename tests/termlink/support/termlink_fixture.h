// Common ground of the termlink tests: a fixture that opens connections through the scriptable
// transport, and a recorder for event callbacks.
#pragma once

#include "scripted_terminal.h"
#include "termlink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
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
    std::condition_variable arrived_;
    std::vector<Event> events_;
};

EventRecorder& Recorder();

class Stopwatch {
public:
    int ElapsedMs() const {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start_)
                                    .count());
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class TermlinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        TheTerminal().Reset();
        Recorder().Clear();
    }
    void TearDown() override { CloseAll(); }

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
