// The X server's screen: the DisplayBackend the program links (x11_screen.cpp),
// and what the program's Linux entry asks of it besides.
#pragma once

#include "platform/posix/backend/display.h"
