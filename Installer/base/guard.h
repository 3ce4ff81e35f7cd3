// The boundary between the window system and the program's own code. Window procedures, timer
// callbacks and control-library events run the program's handlers through Guarded: a failure
// that escapes a handler (a RunTimeFailure that no procedure caught, or any other C++
// exception) never crosses into the window system. It is shown in the error box, and the
// program ends.
#pragma once

#include <exception>

namespace instalio {

// Shows the error box for a failure that no procedure caught, then ends the program: the
// process exits with code 1. The box is shown even while the installation runs.
void ReportUnhandledFailure(const std::exception_ptr& failure) noexcept;

// What ReportUnhandledFailure does instead (and then returns), for tests that provoke such a
// failure; null restores the default.
using UnhandledFailureHandler = void (*)(std::exception_ptr failure);
void SetUnhandledFailureHandler(UnhandledFailureHandler handler) noexcept;

// Runs body(); returns false when a failure escaped it (after the handler has run).
template <typename Body> bool Guarded(Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        ReportUnhandledFailure(std::current_exception());
    }
    return false;
}

} // namespace instalio
