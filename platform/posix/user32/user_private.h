// Shared between the USER32 files of the layer.
#pragma once

#include <winuser.h>

namespace layer {

// Window table.
WNDPROC WindowProcedure(HWND hwnd);
bool IsLiveWindow(HWND hwnd);
HWND FirstLiveWindow();

// Drop a destroyed window's timers.
void KillWindowTimers(HWND hwnd);
// SIGTERM, SIGINT and SIGHUP post WM_CLOSE to the first window while one exists.
void WatchTerminationSignals(bool watch);

}  // namespace layer
