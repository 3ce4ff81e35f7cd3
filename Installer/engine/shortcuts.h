// The finishing step: the shortcut sets whose boxes are ticked, each shortcut recorded in the
// target folder's "Uninstall.log", and the start of the installed application.
#pragma once

#include <string>

#include "win.h"

namespace instalio {

// Creates the Programs-menu shortcuts (Check1, in the folder of the product's Name, which is
// created first), the desktop shortcuts (Check2) and the Quick Launch shortcuts (Check3) from
// the configuration's lists, then starts the installed application (Check4). Returns 0, or the
// error code of the first failure, which ends the remaining work; what was created before it
// stays. Without a wizard window nothing is created: ERROR_INVALID_WINDOW_HANDLE.
DWORD CreateShortcuts();

// Writes the shortcut Folder & Caption & ".lnk" to Target, working in Target's folder, and
// appends its path as one line to "Uninstall.log" in the target folder (txtPath). Returns 0, or
// the error code of the failure; a shortcut saved whose line cannot be written is not logged.
// Without a wizard window nothing is written: ERROR_INVALID_WINDOW_HANDLE.
DWORD CreateShortcut(const std::string& Target, const std::string& Folder,
                     const std::string& Caption);

} // namespace instalio
