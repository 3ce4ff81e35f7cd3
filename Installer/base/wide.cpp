#include "wide.h"

#include "win.h"

namespace instalio {

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                     static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
    return wide;
}

} // namespace instalio
