// The configuration dialog's procedure: shows and saves the five settings.
#pragma once

#include "platform/win32.h"

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
