#include "clock.h"

#include "win.h"

namespace instalio {

namespace {

class PlatformClock final : public Clock {
public:
    void Sleep(int milliseconds) override {
        ::Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
    }

    void DoEvents() override { PumpPendingEvents(); }

    void WaitFor(HANDLE object, int milliseconds) override {
        WaitForObjectOrEvents(object, milliseconds);
    }
};

PlatformClock platformClock;
Clock* current = &platformClock;

} // namespace

void PumpPendingEvents(EventRunner run) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave the quit request for the message loop that owns it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (run != nullptr) {
            run(message);
        } else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

WaitEnd WaitForObjectOrEvents(HANDLE object, int milliseconds) {
    const DWORD length = milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds);
    switch (MsgWaitForMultipleObjects(1, &object, FALSE, length, QS_ALLINPUT)) {
    case WAIT_OBJECT_0:
        return WaitEnd::Signalled;
    case WAIT_OBJECT_0 + 1:
        return WaitEnd::Events;
    case WAIT_TIMEOUT:
        return WaitEnd::TimedOut;
    default:
        return WaitEnd::Failed;
    }
}

Clock& EngineClock() {
    return *current;
}

Clock& SystemClock() {
    return platformClock;
}

void SetEngineClock(Clock* clock) {
    current = clock != nullptr ? clock : &platformClock;
}

} // namespace instalio
