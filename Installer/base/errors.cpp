#include "errors.h"

namespace instalio {

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

} // namespace instalio
