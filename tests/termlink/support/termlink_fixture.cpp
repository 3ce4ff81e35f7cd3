#include "termlink_fixture.h"

#include <algorithm>

namespace scripted {

int TERMLINK_CALL EventRecorder::Callback(int callbackValue, int eventId, int length,
                                          const unsigned char* payload) {
    EventRecorder& recorder = Recorder();
    {
        std::lock_guard lock(recorder.mutex_);
        recorder.events_.push_back({callbackValue, eventId, Bytes(payload, payload + length)});
    }
    TheClock().Changed();
    return 0;
}

void EventRecorder::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

std::vector<Event> EventRecorder::WaitFor(std::size_t count, int ms) {
    TheClock().AwaitFor(ms, [&] {
        std::lock_guard lock(mutex_);
        return events_.size() >= count;
    });
    std::lock_guard lock(mutex_);
    return events_;
}

EventRecorder& Recorder() {
    static EventRecorder recorder;
    return recorder;
}

TermConnection* TermlinkTest::Open(bool withCallback, const char* variant, int password,
                                   int connectTimeout, int callbackValue) {
    TermConnection* c = TERMPRO_INIT(TransportPath(variant).c_str(), 1, 2, 3,
                                     withCallback ? EventRecorder::Callback : nullptr,
                                     callbackValue, password, connectTimeout);
    if (c != nullptr) {
        open_.push_back(c);
    }
    return c;
}

void TermlinkTest::Close(TermConnection*& connection) {
    open_.erase(std::remove(open_.begin(), open_.end(), connection), open_.end());
    TERMPRO_CLOSE(connection);
    connection = nullptr;
}

void TermlinkTest::CloseAll() {
    for (TermConnection* c : open_) {
        TERMPRO_CLOSE(c);
    }
    open_.clear();
}

} // namespace scripted
