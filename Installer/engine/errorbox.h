// The error box that every engine procedure shows when it catches a failure.
//
// Numbers and descriptions: the number is the platform's system error code of the failure (as
// GetLastError gives it, or the code the engine chose for a failure that the platform did not
// report itself), in decimal; the description is the platform's own text for that code
// (FormatMessage, in the system's language, without its final line break), or "Unknown error"
// when the platform has no text for it.
#pragma once

#include <cstdint>
#include <string>

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

// The platform's text for a system error code; "Unknown error" when it has none.
std::string ErrorDescription(DWORD code);

// GetLastError, or `fallback` when the failed call left no code.
DWORD LastErrorOr(DWORD fallback);

} // namespace instalio
