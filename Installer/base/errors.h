// The platform's error codes as the program passes them on: the last error of a call, the code
// within a component result, and the platform's text for a code.
#pragma once

#include "win.h"

#include <string>

namespace instalio {

// GetLastError, or `fallback` when the failed call left no code.
inline DWORD LastErrorOr(DWORD fallback) {
    DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : fallback;
}

// The system error code within a result of a component call: the code itself for a wrapped
// system error, else the whole result.
inline DWORD ErrorCodeOf(HRESULT result) {
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                      : static_cast<DWORD>(result);
}

// The platform's text for a system error code (FormatMessage, in the system's language, without
// its final line break); "Unknown error" when it has none.
std::string ErrorDescription(DWORD code);

} // namespace instalio
