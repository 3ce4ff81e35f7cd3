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
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the message loop that owns it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace instalio::ui
