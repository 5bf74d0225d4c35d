// Shared between the USER32 files of the layer and its two screens.
#pragma once

#include "platform/posix/win_user.h"

namespace layer {

// Input from the screen, queued after posted messages and before timers.
void PostInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The one key the screens pass on is the system close chord, Alt+F4, as
// WM_SYSKEYDOWN for VK_F4 with this key data: one press, scan code 0x3E and
// the context bit that says Alt is held.
const LPARAM kAltF4KeyData = 0x203E0001;
const LPARAM kAltHeldBit = 0x20000000;

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
