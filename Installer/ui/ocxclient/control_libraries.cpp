#include "control_libraries.h"

#include "library_loader.h"

namespace instalio::ocx {

namespace {

const ControlLibrary kCommonControls = {VMCOMCTL_FILE_NAME, VMCOMCTL_CLSID, VMCOMCTL_ENTRY,
                                        VMCOMCTL_VERSION};
const ControlLibrary kInternetTransfer = {MSINETVM_FILE_NAME, MSINETVM_CLSID, MSINETVM_ENTRY,
                                          MSINETVM_VERSION};

template <typename Interface> const Interface* Loaded(const ControlLibrary& library) {
    static const Interface* table = nullptr;
    if (table == nullptr) {
        table = LoadControlLibrary<Interface>(library);
    }
    return table;
}

} // namespace

const VmComCtl* CommonControls() {
    return Loaded<VmComCtl>(kCommonControls);
}

const MsInetVm* InternetTransfer() {
    return Loaded<MsInetVm>(kInternetTransfer);
}

} // namespace instalio::ocx
