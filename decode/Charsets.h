// MIME charset names and the Windows code pages the conversion calls know them by.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// ISO-2022-JP: its words keep their own conversion (JIS codes to Shift_JIS).
const UINT kIso2022JpCodePage = 50220;

// The code page of a charset name as a header writes it (any case, an RFC 2231
// language suffix "*ja" allowed); 0 for a name this table does not hold.
UINT CodePageOfCharset(const char* name, std::size_t length);
