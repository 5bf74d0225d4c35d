// SHELL32's document opener, as the configuration dialog uses it.
#pragma once

#include <windef.h>

#define SE_ERR_NOASSOC 31

// ShellExecuteA (SHELL32): "open" (or no verb) hands the file or address to the
// desktop's opener, xdg-open, and returns at once without waiting for it.
// Returns a value above 32 when the opener started, SE_ERR_NOASSOC otherwise.
// Parameters and a working folder are not provided (assert).
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);
