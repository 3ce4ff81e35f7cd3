// The two carried control libraries as the program uses them: each is loaded when first asked
// for and stays loaded until the program ends.
#pragma once

#include "msinetvm.h"
#include "vmcomctl.h"

namespace instalio::ocx {

// VMCOMCTL.OCX; null, after the error box, when it cannot be used (it is tried again at the next
// call).
const VmComCtl* CommonControls();

// MSINETVM.OCX; null, after the error box, when it cannot be used.
const MsInetVm* InternetTransfer();

} // namespace instalio::ocx
