#include "text.h"

#include "win.h"

#include <oleauto.h>

namespace instalio {

std::string LCase(std::string text) {
    if (!text.empty()) {
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

std::string UCase(std::string text) {
    if (!text.empty()) {
        CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

std::string Replace(const std::string& text, const std::string& find, const std::string& with) {
    if (find.empty()) {
        return text;
    }
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = text.find(find); at != std::string::npos; at = text.find(find, start)) {
        result.append(text, start, at - start);
        result += with;
        start = at + find.size();
    }
    result.append(text, start, std::string::npos);
    return result;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty() || text.find('\0') != std::string::npos || text.size() > 1024) {
        return false;
    }
    std::wstring wide(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     wide.data(), static_cast<int>(wide.size()));
    if (length <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    double number = 0;
    if (FAILED(VarR8FromStr(wide.data(), LOCALE_USER_DEFAULT, 0, &number))) {
        return false;
    }
    value = number;
    return true;
}

std::vector<std::string> SplitResourceLines(const std::string& bytes) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            lines.emplace_back();
            ++i; // the byte after a CR is skipped without being examined
        } else {
            lines.back() += bytes[i];
        }
    }
    return lines;
}

} // namespace instalio
