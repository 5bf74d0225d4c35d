// GDI objects shared between the GDI32 files of the layer.
#pragma once

#include <string>

#include "platform/posix/display_backend.h"
#include "platform/posix/win_gdi.h"

namespace layer {

// Facts about live objects; false (or null) for any other handle.
bool BrushInfo(HBRUSH brush, LOGBRUSH* info);
const FontRequest* FontInfo(HGDIOBJ font);
bool PenColor(HGDIOBJ pen, COLORREF* color);

// Code page 932 text as UTF-8. A lead byte cut off at the end is left out (the
// rest of the character comes with a later call); a byte that starts no
// character becomes U+30FB, the Japanese fonts' default glyph.
std::string Cp932ToUtf8(const char* text, int length);

}  // namespace layer
