#include "pump.h"

#include "taborder.h"

namespace instalio::ui {

void DoEvents() {
    EngineClock().DoEvents();
}

void RunEvent(MSG& message) {
    if (HandleTabKey(message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

int RunMessageLoop() {
    MSG message;
    int got = 0;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        RunEvent(message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void FormClock::Sleep(int milliseconds) {
    const DWORD start = GetTickCount();
    const DWORD length = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
    for (DWORD waited = 0; waited < length; waited = GetTickCount() - start) {
        MsgWaitForMultipleObjectsEx(0, nullptr, length - waited, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        DoEvents();
    }
}

void FormClock::DoEvents() {
    PumpPendingEvents(RunEvent);
}

void FormClock::WaitFor(HANDLE object, int milliseconds) {
    WaitForObjectOrEvents(object, milliseconds);
}

} // namespace instalio::ui
