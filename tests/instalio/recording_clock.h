// A clock for engine tests: pauses and event pumps return at once and are written, in order,
// into a log (the recording surface's, so that they interleave with what the engine shows).
// Waits for an object are real (what it waits for, a child process, runs in real time) and
// logged too.
#pragma once

#include "clock.h"

#include <string>
#include <vector>

namespace instalio::test {

class RecordingClock : public Clock {
public:
    explicit RecordingClock(std::vector<std::string>& log) : log_(log) { SetEngineClock(this); }
    ~RecordingClock() override { SetEngineClock(nullptr); }
    RecordingClock(const RecordingClock&) = delete;
    RecordingClock& operator=(const RecordingClock&) = delete;

    // Logs "Sleep(<ms>)".
    void Sleep(int milliseconds) override {
        log_.push_back("Sleep(" + std::to_string(milliseconds) + ")");
    }
    // Counted, not logged: pumps come in runs that would drown the log.
    void DoEvents() override { ++pumps; }
    // Waits for the object alone (this clock runs no events) and logs "WaitFor(<ms>)", with
    // ": signalled" when the object was signalled at its end.
    void WaitFor(HANDLE object, int milliseconds) override {
        const bool signalled =
            WaitForSingleObject(object, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
        log_.push_back("WaitFor(" + std::to_string(milliseconds) + ")" +
                       (signalled ? ": signalled" : ""));
    }

    int pumps = 0;

private:
    std::vector<std::string>& log_;
};

} // namespace instalio::test
