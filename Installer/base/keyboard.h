// The keyboard's shift state as the program's events give it.
#pragma once

#include <cstdint>

namespace instalio {

// 1 Shift, 2 Ctrl, 4 Alt, added up for the keys held down now.
std::int16_t ShiftState();

} // namespace instalio
