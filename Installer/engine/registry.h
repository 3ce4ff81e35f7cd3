// Registry helpers of the engine. All access goes to the registry view that a 32-bit process
// sees (on 64-bit Windows the 32-bit view), so that the 32-bit setup program and its 64-bit
// build read and write the same keys. None of them shows a message.
#pragma once

#include <string>

#include "win.h"

namespace instalio {

// The keys of the installed products' uninstall entries, below HKEY_LOCAL_MACHINE.
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// True when the key SubKey below Root opens for reading; it is closed again.
bool RegKeyExists(HKEY Root, const std::string& SubKey);

// Writes the REG_SZ value ValueName of the key KeyPath below HKEY_LOCAL_MACHINE, creating the key
// and any missing keys above it. A key that cannot be created or a value that cannot be set is
// passed over silently.
void RegWriteString(const std::string& KeyPath, const std::string& ValueName,
                    const std::string& Value);

// Reads the text value ValueName (REG_SZ or REG_EXPAND_SZ, not expanded) of the key SubKey
// below Root into Value, without its terminating zero. False when the key or the value is
// missing or the value is not text; Value is then unchanged.
bool RegReadString(HKEY Root, const std::string& SubKey, const std::string& ValueName,
                   std::string& Value);

// Deletes the key SubKey below Root, which must have no sub-keys. False when it could not.
bool RegDeleteSubKey(HKEY Root, const std::string& SubKey);

} // namespace instalio
