// The recording screen: the layer's screen with no X server. The test program
// links it in place of the X server's, so the program's windows, timers and
// drawing run unchanged while this notes what was drawn, on a virtual clock:
// when GetMessageA would wait, the clock jumps to the next deadline, so a whole
// message loop runs without sleeping.
//
//     RecordingDisplay::Begin(1024, 768);
//     ... create the window, run the loop ...
//     EXPECT_EQ(RecordingDisplay::Log().texts[0].bytes, "USER x");
#pragma once

#include <string>
#include <vector>

#include "platform/posix/backend/display.h"

struct RecordedText {
    int x;
    int y;
    std::string bytes;  // exactly the code page 932 bytes passed to TextOutA
    HFONT font;
    COLORREF textColor;
    COLORREF backColor;
    DWORD time;  // the virtual clock when it was drawn
};

struct RecordedLine {
    POINT from;  // the current position before LineTo
    POINT to;    // LineTo's end point (not drawn, as in Windows)
    COLORREF color;
};

// A font the program created: the CreateFontA arguments and its handle.
struct RecordedFont : layer::FontRequest {
    HFONT font;
};

struct RecordingLog {
    std::vector<RecordedText> texts;
    std::vector<RecordedLine> lines;
    std::vector<RecordedFont> fonts;
    std::vector<HFONT> forgottenFonts;  // deleted font objects
    int finishedDrawings = 0;           // device contexts released after drawing
};

class RecordingDisplay {
public:
    // A screen of this size: clock at 0, pointer at the centre, no window,
    // cursor shown, empty log.
    static void Begin(int width, int height);

    static RecordingLog& Log();

    // The virtual clock in milliseconds; Advance stands for time spent inside
    // a blocking call (a network wait), letting timers fall due meanwhile.
    static DWORD Now();
    static void Advance(DWORD milliseconds);

    // Input as the X server reports it: a pointer motion (WM_MOUSEMOVE when it
    // lands in a shown window) and a button press (1 left, 3 right; others are
    // ignored as the X server's screen ignores them); Alt+F4.
    static void MovePointer(int x, int y);
    static void PressButton(int button);
    static void PressAltF4();

    // Whether the blank cursor is installed, and how many windows are shown.
    static bool CursorHidden();
    static int ShownWindows();
};
