// Libraries in the system folder: their versions, version-aware moves and registration with the
// system's registration tool, and the control files that the setup program carries.
#pragma once

#include <string>

namespace instalio {

// The major file version of a library (the high word of dwFileVersionMS of its fixed version
// information) as decimal text; empty when the file has no version information. When the
// version information cannot be read, shows "Dll Version: " FileName and returns empty.
std::string FileMajorVersion(const std::string& FileName);

// Orders two major versions as FileMajorVersion gives them: -1 when `a` is lower, 0 when equal,
// 1 when higher. Empty text (no version information) is below every version.
int CompareMajorVersions(const std::string& a, const std::string& b);

// Moves a library to Destination unless the installed Destination has a higher major version;
// then Source is deleted and Destination stays. On failure shows "Could not move dll: "
// Destination; what was done before the failure stays.
void MoveLibrary(const std::string& Source, const std::string& Destination);

// Unregisters, then registers the library Path, silently, with the system folder's
// regsvr32.exe, waiting for each. True also when there is no file Path (nothing runs then);
// the tool's outcome is not examined. False, with "Could not register library : " Path, when
// the tool cannot be found.
bool RegisterLibrary(const std::string& Path);

// Writes the control file carried as resource DLLS/FileName into the system folder and
// registers it. An existing file that cannot be removed (in use) stays, unregistered again,
// and counts as installed. False only when the registration fails.
bool InstallSystemOcx(const std::string& FileName);

} // namespace instalio
