// A run-time failure that a procedure does not catch itself: it passes to the caller that
// catches it. The update check catches one that comes back from the installation it started
// through DibujarSeccion, and then shows the installation section once more.
#pragma once

#include <cstdint>
#include <string>

namespace instalio {

struct RunTimeFailure {
    std::int32_t number = 0; // the system error code of the failure
    std::string description; // what failed
};

} // namespace instalio
