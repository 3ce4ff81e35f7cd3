#include "registry.h"

#include "owners.h"

#include <vector>

namespace instalio {

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;

} // namespace

bool RegKeyExists(HKEY Root, const std::string& SubKey) {
    ScopedRegKey key;
    return RegOpenKeyExA(Root, SubKey.c_str(), 0, KEY_READ | kView, key.receive()) == ERROR_SUCCESS;
}

void RegWriteString(const std::string& KeyPath, const std::string& ValueName,
                    const std::string& Value) {
    ScopedRegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView,
                        nullptr, key.receive(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key.get(), ValueName.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(Value.c_str()),
                   static_cast<DWORD>(Value.size() + 1));
}

bool RegReadString(HKEY Root, const std::string& SubKey, const std::string& ValueName,
                   std::string& Value) {
    ScopedRegKey key;
    if (RegOpenKeyExA(Root, SubKey.c_str(), 0, KEY_QUERY_VALUE | kView, key.receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    // The value may grow between the two calls; a few tries settle it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key.get(), ValueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            return false;
        }
        std::vector<char> data(size + 1);
        LONG status = RegQueryValueExA(key.get(), ValueName.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return false;
        }
        // The stored bytes need not end in a zero; the text ends at the first one.
        std::string text(data.data(), size);
        Value = text.substr(0, text.find('\0'));
        return true;
    }
    return false;
}

bool RegDeleteSubKey(HKEY Root, const std::string& SubKey) {
    // The parent is opened in the 32-bit view; the key below it is deleted in that view.
    std::size_t cut = SubKey.find_last_of('\\');
    std::string parent = cut == std::string::npos ? std::string() : SubKey.substr(0, cut);
    std::string name = cut == std::string::npos ? SubKey : SubKey.substr(cut + 1);
    ScopedRegKey key;
    if (RegOpenKeyExA(Root, parent.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | DELETE | kView,
                      key.receive()) != ERROR_SUCCESS) {
        return false;
    }
    return RegDeleteKeyA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

} // namespace instalio
