// The one header the program includes for platform calls: the SDK's headers.
// On Windows they declare the real USER32, GDI32, KERNEL32, SHELL32, WSOCK32
// and the C runtime; on Linux platform/posix/include holds headers of the same
// names for our own layer, which provides the same calls with the same meaning.
#pragma once

#include <windows.h>
#include <winsock.h>
#include <shellapi.h>
#include <shlobj.h>
#include <mbstring.h>
