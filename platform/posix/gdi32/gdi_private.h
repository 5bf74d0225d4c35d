// GDI32 inside the layer: facts about its objects, and the device contexts
// that USER32 hands out.
#pragma once

#include <wingdi.h>

#include "platform/posix/backend/display.h"

namespace layer {

// Facts about live objects; false (or null) for any other handle.
bool BrushInfo(HBRUSH brush, LOGBRUSH* info);
const FontRequest* FontInfo(HGDIOBJ font);
bool PenColor(HGDIOBJ pen, COLORREF* color);

// A window's device context with Windows' defaults, and its release, which
// completes the drawing; false when it is not that window's.
HDC CreateWindowDC(HWND hwnd);
bool ReleaseWindowDC(HWND hwnd, HDC hdc);

}  // namespace layer
