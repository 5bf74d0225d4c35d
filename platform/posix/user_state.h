// Shared between the USER32 files of the layer and its two screens.
#pragma once

#include "platform/posix/win_user.h"

namespace layer {

// Input from the screen, queued after posted messages and before timers.
void PostInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Window table.
WNDPROC WindowProcedure(HWND hwnd);
bool IsLiveWindow(HWND hwnd);
HWND FirstLiveWindow();
// The ShowCursor counter (starts at 0 with a mouse present).
int CursorCounter();

// Drop a destroyed window's timers.
void KillWindowTimers(HWND hwnd);
// SIGTERM, SIGINT and SIGHUP post WM_CLOSE to the first window while one exists.
void WatchTerminationSignals(bool watch);

// Back to a fresh process: no windows, classes, timers, queued messages or quit
// request; the cursor counter at 0. Sends no messages.
void ResetMessageQueue();
void ResetWindows();

}  // namespace layer
