// Shared between the USER32 files of the layer.
#pragma once

#include <winuser.h>

namespace layer {

// Window table.
WNDPROC WindowProcedure(HWND hwnd);
bool IsLiveWindow(HWND hwnd);
HWND FirstLiveWindow();

// A window the screen resized: its rectangle follows.
void ResizeWindow(HWND hwnd, int width, int height);

// Drop a destroyed window's timers.
void KillWindowTimers(HWND hwnd);
// SIGTERM, SIGINT and SIGHUP post WM_CLOSE to the first window while one exists.
void WatchTerminationSignals(bool watch);

}  // namespace layer
