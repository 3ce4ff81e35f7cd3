// The program's own resources: reading them, and writing one out to a file.
#pragma once

#include <string>

#include "win.h"

namespace instalio {

// Reads the bytes of the running program's resource `name` of type `type`. Returns 0, or the
// system error code of the failure (ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND
// when there is no such resource).
DWORD ReadResource(const std::string& name, const std::string& type, std::string& bytes);

// Creates the file fileName, or opens it when it exists, and leaves exactly `bytes` in it. A
// read-only file is refused. Returns 0 or the system error code of the failure.
DWORD WriteWholeFile(const std::string& fileName, const std::string& bytes);

// Writes resource ResName of type ResType to the file FileName, which afterwards holds exactly
// the resource's bytes (an existing file is overwritten and cut to length). On any failure shows
// the error box "Could not save resource file: " FileName and returns false.
bool SaveResource(const std::string& ResName, const std::string& ResType,
                  const std::string& FileName);

} // namespace instalio
