#include "display.h"

namespace instalio {

std::int16_t SeccionActual = 0;
DisplaySurface* frmMain = nullptr;

} // namespace instalio
