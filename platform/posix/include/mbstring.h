// The C runtime's multibyte conversion, under code page 932.
#pragma once

#include <windef.h>

// _mbcjistojms (C runtime): JIS X 0208 code to Shift_JIS by the standard
// arithmetic; 0 when either byte lies outside 0x21..0x7E.
unsigned int _mbcjistojms(unsigned int code);
