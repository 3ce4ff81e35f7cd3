// instalio.exe: start-up, then the window system's message loop until the last window unloads.
#include "control_libraries.h"
#include "frmmain.h"
#include "guard.h"
#include "pump.h"
#include "startup.h"

#include <windows.h>

namespace {

// The wizard window as start-up sees it. It opens only when both control libraries it is made
// of can be used (otherwise their error box has been shown).
class Wizard final : public instalio::MainWindow {
public:
    bool Load() override {
        if (instalio::ocx::CommonControls() == nullptr ||
            instalio::ocx::InternetTransfer() == nullptr) {
            return false;
        }
        form_.Load();
        return true;
    }
    void SetMousePointer(int pointer) override { form_.SetMousePointer(pointer); }
    void Show() override { form_.Show(); }

private:
    instalio::ui::FrmMain form_;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Libraries come from the system folder only: never from beside a downloaded setup program.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    instalio::ui::FormClock clock;
    instalio::SetEngineClock(&clock);
    Wizard wizard;
    if (!instalio::Guarded([&] { instalio::Main(wizard); })) {
        return 1;
    }
    if (instalio::ui::Form::LoadedForms() == 0) {
        return 0; // start-up stopped before a window opened
    }
    return instalio::ui::RunMessageLoop();
}
