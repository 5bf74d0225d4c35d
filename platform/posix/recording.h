// The recording display: the window, message, timer and drawing calls with no
// X server. It notes what the program drew and asked for, and runs on a virtual
// clock: when GetMessageA would wait, the clock jumps to the next timer
// deadline, so a whole message loop runs without sleeping.
//
// Tests switch it on before creating windows and off afterwards:
//     RecordingDisplay::Begin(1024, 768);
//     ... create the window, run the loop ...
//     EXPECT_EQ(RecordingDisplay::Log().texts[0].bytes, "USER x");
//     RecordingDisplay::End();
#pragma once

#include <string>
#include <vector>

#include "platform/posix/display_backend.h"
#include "platform/posix/win_types.h"

struct RecordedText {
    int x;
    int y;
    std::string bytes;  // exactly the bytes passed to TextOutA
    HFONT font;         // the font selected into the device context
    COLORREF textColor;
    COLORREF backColor;
};

struct RecordedLine {
    POINT from;  // the current position before LineTo
    POINT to;    // LineTo's end point (not drawn, as in Windows)
};

// The CreateFontA arguments (height, weight, charSet, face, ...) and the
// handle it returned.
struct RecordedFont : layer::FontRequest {
    HFONT font;
};

struct RecordedTimer {
    bool set;  // true: SetTimer, false: KillTimer
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;  // 0 for KillTimer
    DWORD time;   // virtual time of the call
};

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct RecordingLog {
    std::vector<RecordedText> texts;
    std::vector<RecordedLine> lines;
    std::vector<RecordedFont> fonts;
    std::vector<RecordedTimer> timers;
    std::vector<int> quitCodes;                    // PostQuitMessage calls
    std::vector<RecordedMessage> defaultMessages;  // messages passed to DefWindowProcA
    std::vector<HGDIOBJ> deletedObjects;           // DeleteObject calls that succeeded
    std::vector<COLORREF> backColors;              // SetBkColor calls
    std::vector<COLORREF> textColors;              // SetTextColor calls
    int showCursorCalls = 0;
    int getDCCalls = 0;
    int releaseDCCalls = 0;
    int openDCs = 0;  // GetDC minus ReleaseDC of a device context it gave out
};

class RecordingDisplay {
public:
    // Switches the recording display on with a screen of this size and starts
    // from a fresh process state: no windows, classes, timers or queued
    // messages, cursor counter 0, virtual clock 0, pointer at the screen's
    // centre, empty log.
    static void Begin(int width, int height);
    // Destroys what is left (without sending messages) and switches back to
    // the X server.
    static void End();
    static bool Active();

    static RecordingLog& Log();
    static void ClearLog();

    // The virtual clock in milliseconds; Advance stands for time spent inside
    // a blocking call (a network wait), letting timers fall due meanwhile.
    static DWORD Now();
    static void Advance(DWORD milliseconds);

    // Input as the X server reports it: a pointer motion (WM_MOUSEMOVE when it
    // lands in a shown window) and a button press (1 left, 3 right; others are
    // ignored as the X backend ignores them).
    static void MovePointer(int x, int y);
    static void PressButton(int button);

    // The ShowCursor counter and whether the blank cursor is installed.
    static int CursorCount();
    static bool CursorHidden();
};
