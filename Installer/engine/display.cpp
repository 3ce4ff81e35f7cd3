#include "display.h"

namespace instalio {

std::int16_t SeccionActual = 0;
display::Surface* frmMain = nullptr;

} // namespace instalio
