#include "status.h"

#include "control_libraries.h"
#include "errorbox.h"
#include "failure.h"

namespace instalio::ocx {

std::string StatusDescription(VmStatus status) {
    switch (status) {
    case VMCOMCTL_E_OUT_OF_MEMORY:
        return "Out of memory";
    case VMCOMCTL_E_INVALID_PICTURE:
        return "Invalid picture";
    case VMCOMCTL_E_INDEX_OUT_OF_BOUNDS:
        return "Index out of bounds";
    case VMCOMCTL_E_ELEMENT_NOT_FOUND:
        return "Element not found";
    case VMCOMCTL_E_KEY_NOT_UNIQUE:
        return "Key is not unique in collection";
    default:
        return ErrorDescription(static_cast<DWORD>(status));
    }
}

void ThrowIfFailed(VmStatus status) {
    if (status != VMCOMCTL_OK) {
        throw RunTimeFailure{status, StatusDescription(status)};
    }
}

const VmComCtl& ComCtl() {
    const VmComCtl* library = CommonControls();
    if (library == nullptr) {
        throw RunTimeFailure{ERROR_MOD_NOT_FOUND,
                             "Could not load control library: " VMCOMCTL_FILE_NAME};
    }
    return *library;
}

} // namespace instalio::ocx
