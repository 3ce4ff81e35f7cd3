#include "pump.h"

#include <windows.h>

namespace instalio::ui {

void DoEvents() {
    EngineClock().DoEvents();
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
    PumpPendingEvents();
}

void FormClock::WaitFor(HANDLE object, int milliseconds) {
    WaitForObjectOrEvents(object, milliseconds);
}

} // namespace instalio::ui
