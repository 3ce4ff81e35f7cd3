// The keyboard's way between the controls of a window: Tab moves the focus to the next control
// of the window's tab order that can take it (shown, enabled, and taking the focus at all),
// Shift+Tab to the previous one, round at either end. The order is the controls' TabIndex;
// controls without one follow, in the order they were made.
#pragma once

#include <windows.h>

namespace instalio::ui {

// True when `message` is a press of Tab or Shift+Tab (without Ctrl or Alt) meant for a window
// of a form; the focus has then moved and the message is done with.
bool HandleTabKey(const MSG& message);

} // namespace instalio::ui
