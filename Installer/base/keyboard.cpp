#include "keyboard.h"

#include "win.h"

namespace instalio {

std::int16_t ShiftState() {
    std::int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= 1;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= 2;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= 4;
    }
    return shift;
}

} // namespace instalio
