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

std::string ErrorDescription(DWORD code) {
    char buffer[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length < sizeof buffer ? length : 0);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text.empty() ? "Unknown error" : text;
}

DWORD LastErrorOr(DWORD fallback) {
    DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : fallback;
}

} // namespace instalio
