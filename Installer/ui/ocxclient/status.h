// Failures of the control library as the program's run-time failures.
#pragma once

#include "vmcomctl.h"

#include <string>

namespace instalio::ocx {

// The text of a status: the collection's own texts for its errors, the platform's for a
// system error code.
std::string StatusDescription(VmStatus status);

// Throws a RunTimeFailure with the status's number and text unless it is 0.
void ThrowIfFailed(VmStatus status);

// VMCOMCTL.OCX's interface; a RunTimeFailure when the library cannot be used (the error box
// has been shown: a window made of its controls checks CommonControls() before it opens).
const VmComCtl& ComCtl();

// A text that the library copies out: `ask(buffer, size, &length)`.
template <typename Ask> std::string ReadText(Ask&& ask) {
    std::string text(64, '\0');
    for (;;) {
        std::int32_t length = 0;
        ThrowIfFailed(ask(text.data(), static_cast<std::int32_t>(text.size()), &length));
        if (static_cast<std::size_t>(length) < text.size()) {
            text.resize(static_cast<std::size_t>(length));
            return text;
        }
        text.assign(static_cast<std::size_t>(length) + 1, '\0');
    }
}

} // namespace instalio::ocx
