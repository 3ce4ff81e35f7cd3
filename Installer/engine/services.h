// Services of the installed application.
#pragma once

#include <string>

namespace instalio {

// Creates an own-process, auto-start service named ServiceName (also its display name) that
// runs as LocalSystem from ExecutablePath, and asks the service manager to start it without
// waiting for it to run. A path with blanks is registered in double quotes, so that the
// service manager cannot take a leading part of it ("C:\Program.exe") for the program. Reports
// nothing: a service that already exists is neither changed nor started.
void CreateAndStartService(const std::string& ServiceName, const std::string& ExecutablePath);

} // namespace instalio
