// Without structured exception handling a processor fault cannot be taken back soundly from
// inside a library (signal handlers are process-wide and may not leave arbitrary code), so the
// work runs unguarded; the library's own code checks every length a terminal supplies instead.
#include "fault_guard.h"

namespace termlink::os {

bool CallGuarded(void (*proc)(void* argument), void* argument) {
    proc(argument);
    return true;
}

} // namespace termlink::os
