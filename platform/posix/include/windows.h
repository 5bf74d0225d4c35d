// The Win32 names the program calls, provided on Linux by the libraries beside
// this folder, each named for the Windows library it stands in for.
#pragma once

#include <windef.h>
#include <winbase.h>
#include <winnls.h>
#include <wingdi.h>
#include <winuser.h>
