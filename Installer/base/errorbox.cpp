#include "errorbox.h"

namespace instalio {

bool InstallingFlag = false;

void ShowError(const std::string& message, std::int32_t number, const std::string& description) {
    if (InstallingFlag) {
        return;
    }
    std::string text = message + "\r\n[" + std::to_string(number) + "] " + description;
    MessageBoxA(GetActiveWindow(), text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

void ShowSystemError(const std::string& message, DWORD code) {
    ShowError(message, static_cast<std::int32_t>(code), ErrorDescription(code));
}

} // namespace instalio
