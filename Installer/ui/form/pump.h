// The event pump of the program's one thread: runs the window system's pending events.
#pragma once

namespace instalio::ui {

// Runs every pending event of this thread, then returns (through the engine's clock, so that
// the engine and the windows pump in one way).
void DoEvents();

} // namespace instalio::ui
