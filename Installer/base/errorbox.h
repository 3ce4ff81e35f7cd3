// The error box that every procedure of the program shows when it catches a failure.
//
// Numbers and descriptions: the number is the platform's system error code of the failure (as
// GetLastError gives it, or the code the program chose for a failure that the platform did not
// report itself), in decimal; the description is the platform's own text for that code
// (ErrorDescription), or "Unknown error" when the platform has no text for it.
#pragma once

#include <cstdint>
#include <string>

#include "errors.h"
#include "win.h"

namespace instalio {

// Set while the installation sequence runs: the error box then stays silent.
extern bool InstallingFlag;

// Shows a modal message box titled "Error" with an OK button and the critical-error icon. Its
// text is `message`, CR LF, "[" number "] " and `description`. Returns when the user has closed
// it; returns at once, showing nothing, while InstallingFlag is set.
void ShowError(const std::string& message, std::int32_t number, const std::string& description);

// ShowError with the number and description of a system error code.
void ShowSystemError(const std::string& message, DWORD code);

} // namespace instalio
