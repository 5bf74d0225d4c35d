// The X server's screen: the DisplayBackend the program links (x11_screen.cpp),
// and what the program's Linux entry asks of it besides.
#pragma once

#include "platform/posix/backend/display.h"

namespace layer {

// Shows the saver in a window another program owns (an X screen-saver daemon's;
// 0: the root window) instead of a window of its own. False when there is no
// display or no such window.
bool UseGivenWindow(unsigned long window);

}  // namespace layer
