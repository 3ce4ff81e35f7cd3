// What the carried control libraries share: their own module, and the barrier that keeps C++
// exceptions inside them.
#pragma once

#include "win.h"

#include <new>

namespace instalio::ocx {

// The library module this code is linked into.
HMODULE ThisModule() noexcept;

// Runs body, which returns a status, so that no C++ exception leaves an export: memory that
// runs out gives `outOfMemory`, any other exception ERROR_INTERNAL_ERROR.
template <typename Status, typename Body> Status NoThrow(Status outOfMemory, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    } catch (...) {
        return static_cast<Status>(ERROR_INTERNAL_ERROR);
    }
}

} // namespace instalio::ocx
