#include "guard.h"

#include "errorbox.h"
#include "failure.h"

#include "win.h"

#include <string>

namespace instalio {

namespace {

UnhandledFailureHandler testHandler = nullptr;

// The number and text of a failure, as the error box shows them.
void Describe(const std::exception_ptr& failure, std::int32_t& number, std::string& description) {
    try {
        std::rethrow_exception(failure);
    } catch (const RunTimeFailure& runTime) {
        number = runTime.number;
        description = runTime.description;
    } catch (const std::exception& other) {
        number = ERROR_INTERNAL_ERROR;
        description = other.what();
    } catch (...) {
        number = ERROR_INTERNAL_ERROR;
        description = "Unknown error";
    }
}

} // namespace

void ReportUnhandledFailure(const std::exception_ptr& failure) noexcept {
    if (testHandler != nullptr) {
        testHandler(failure);
        return;
    }
    std::int32_t number = 0;
    std::string description;
    try {
        Describe(failure, number, description);
        InstallingFlag = false; // whatever ran is over: the box is shown
        ShowError("The setup program has stopped because of an unexpected error.", number,
                  description);
    } catch (...) {
        // Nothing more can be reported; the program ends all the same.
    }
    ExitProcess(1);
}

void SetUnhandledFailureHandler(UnhandledFailureHandler handler) noexcept {
    testHandler = handler;
}

} // namespace instalio
