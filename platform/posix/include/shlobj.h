// SHELL32's special folders, as the settings store asks for them.
#pragma once

#include <windef.h>

typedef LONG HRESULT;

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define CSIDL_APPDATA 0x001a
#define CSIDL_FLAG_CREATE 0x8000
#define SHGFP_TYPE_CURRENT 0

// SHGetFolderPathA (SHELL32): CSIDL_APPDATA, where programs keep a user's
// settings, is the user's configuration folder of the XDG rules:
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config. With
// CSIDL_FLAG_CREATE a missing folder is made. Copies the path, without a
// trailing separator, into MAX_PATH bytes and returns S_OK; E_FAIL when there
// is none (or it is longer, or cannot be made). Other folders, tokens and
// flags are not provided (assert).
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
