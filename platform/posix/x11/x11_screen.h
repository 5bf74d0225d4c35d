// The X server screen, and what tests of it may look at.
#pragma once

#include <string>

#include "platform/posix/backend/display.h"

namespace layer {

// Closes the connection once no window is left; the next call that needs the
// screen connects again through $DISPLAY.
void X11Disconnect();

// Returns once the server has handled every request the layer has made, so
// another connection sees its effects.
void X11Sync();

// The X window behind a window of ours, 0 when there is none.
unsigned long X11WindowId(HWND hwnd);

// The font the screen realised for a font object.
struct X11FontFacts {
    int ascent;
    int descent;
    std::string family;
    int spacing;    // fontconfig's FC_SPACING: 100 mono, 90 dual (CJK)
    bool japanese;  // covers hiragana and kanji
};
bool X11FontFactsOf(HFONT font, X11FontFacts* facts);

}  // namespace layer
