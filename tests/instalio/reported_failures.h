// While it lives, what reaches the guard between the window system and the program (a failure
// no handler caught) is recorded here instead of ending the test program: the number of a
// run-time failure, or "other" for anything else.
#pragma once

#include "failure.h"
#include "guard.h"

#include <exception>
#include <string>
#include <vector>

namespace instalio::test {

class ReportedFailures {
public:
    ReportedFailures() {
        Reported().clear();
        SetUnhandledFailureHandler(&Record);
    }
    ~ReportedFailures() { SetUnhandledFailureHandler(nullptr); }
    ReportedFailures(const ReportedFailures&) = delete;
    ReportedFailures& operator=(const ReportedFailures&) = delete;

    // What was reported since the last call.
    std::vector<std::string> Taken() const {
        std::vector<std::string> taken;
        taken.swap(Reported());
        return taken;
    }

private:
    static std::vector<std::string>& Reported() {
        static std::vector<std::string> reported;
        return reported;
    }
    static void Record(std::exception_ptr failure) {
        try {
            std::rethrow_exception(std::move(failure));
        } catch (const RunTimeFailure& runTime) {
            Reported().push_back(std::to_string(runTime.number));
        } catch (...) {
            Reported().emplace_back("other");
        }
    }
};

} // namespace instalio::test
