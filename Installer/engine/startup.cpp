#include "startup.h"

#include "config.h"
#include "language.h"
#include "libraries.h"
#include "owners.h"
#include "registry.h"
#include "system.h"

#include <commctrl.h>

namespace instalio {

namespace {

constexpr int kHourglass = 11;
constexpr int kDefaultPointer = 0;

// The check messages: the language text, OK, the information icon and an empty title.
void ShowCheckMessage(const char* key) {
    std::string text = GetText(key);
    MessageBoxA(nullptr, text.c_str(), "", MB_OK | MB_ICONINFORMATION);
}

} // namespace

void Main(MainWindow& window) {
    InitControls();
    if (!DetectLanguage() || !CheckAdministrator() || !CheckWindowsVersion() || !CheckFramework() ||
        !InstallControls() || !LoadConfiguration()) {
        return;
    }
    ShowMain(window);
}

void InitControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;
    controls.dwICC = ICC_USEREX_CLASSES;
    InitCommonControlsEx(&controls);
}

bool CheckAdministrator() {
    ScopedHandle disk(System.OpenRawDisk("\\\\.\\PHYSICALDRIVE0"));
    // The handle read as a signed 32-bit number: rights are there when it is above 0.
    if (static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(disk.get())) > 0) {
        return true;
    }
    ShowCheckMessage("error_privileges");
    return false;
}

bool CheckWindowsVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version; // 148 bytes, 128 characters of service pack
    System.GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        ShowCheckMessage("error_old_windows");
        return false;
    }
    return true;
}

bool CheckFramework() {
    bool present =
        RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0");
    if (!present) {
        ShowCheckMessage("error_framework");
    }
    return present;
}

bool InstallControls() {
    bool installed = InstallSystemOcx(kCommonControlsFile);
    if (installed) {
        installed = InstallSystemOcx(kInternetTransferFile);
    }
    return installed;
}

void ShowMain(MainWindow& window) {
    if (!window.Load()) {
        return;
    }
    window.SetMousePointer(kHourglass);
    window.Show();
    window.SetMousePointer(kDefaultPointer);
}

} // namespace instalio
