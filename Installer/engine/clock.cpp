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
};

PlatformClock platformClock;
Clock* current = &platformClock;

} // namespace

void PumpPendingEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave the quit request for the message loop that owns it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

Clock& EngineClock() {
    return *current;
}

void SetEngineClock(Clock* clock) {
    current = clock != nullptr ? clock : &platformClock;
}

} // namespace instalio
