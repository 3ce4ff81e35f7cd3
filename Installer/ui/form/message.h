// Handles and pointers that the window system passes in a message's integer parameters.
#pragma once

#include <windows.h>

namespace instalio::ui {

// The handle or pointer carried by a message parameter (WPARAM, LPARAM, LONG_PTR, DWORD_PTR).
template <typename Pointer, typename Integer> Pointer FromParameter(Integer value) {
    return reinterpret_cast<Pointer>(value); // NOLINT(performance-no-int-to-ptr)
}

} // namespace instalio::ui
