// Text services: USER32's wsprintfA, KERNEL32's GetACP and the C runtime's
// _mbcjistojms, as the program relies on them.
#pragma once

#include "platform/posix/win_types.h"

// wsprintfA (USER32): %s, %d, %u, %c and %% only; the output is at most 1024
// bytes, so at most 1023 characters and the terminator. Returns the characters
// written, terminator excluded, or 1024 when the output reached the cap.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);

// GetACP (KERNEL32): the ANSI code page. Fixed at 932 (Shift_JIS) here, so
// Japanese subjects decode and draw.
UINT GetACP();

// _mbcjistojms (C runtime): JIS X 0208 code to Shift_JIS by the standard
// arithmetic; 0 when either byte lies outside 0x21..0x7E.
unsigned int _mbcjistojms(unsigned int code);
