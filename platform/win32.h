// The one header the program includes for platform calls. On Windows these are
// the real USER32, GDI32, KERNEL32, SHELL32 and WSOCK32; elsewhere our own layer
// in platform/posix provides the same names with the same meaning.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <winsock.h>
#include <shellapi.h>
#include <mbstring.h>
#else
#include "platform/posix/win_types.h"
#include "platform/posix/win_text.h"
#include "platform/posix/win_profile.h"
#include "platform/posix/win_sockets.h"
#include "platform/posix/win_user.h"
#include "platform/posix/win_gdi.h"
#include "platform/posix/win_dialog.h"
#endif
