#include "pump.h"

#include "clock.h"

namespace instalio::ui {

void DoEvents() {
    EngineClock().DoEvents();
}

} // namespace instalio::ui
