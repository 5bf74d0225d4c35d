// What the USER and GDI emulation needs from a screen: a clock, a way to wait
// for input or a deadline, native windows, the cursor and drawing. Two screens
// provide it: the X server (display_x11.cpp) and the recording display that
// tests use (recording.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/win_types.h"

struct RecordingLog;

namespace layer {

// The CreateFontA arguments, kept with the font object.
struct FontRequest {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 0;
    DWORD italic = 0;
    DWORD underline = 0;
    DWORD strikeOut = 0;
    DWORD charSet = 0;
    DWORD outPrecision = 0;
    DWORD clipPrecision = 0;
    DWORD quality = 0;
    DWORD pitchAndFamily = 0;
    std::string face;
};

class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;

    virtual void ScreenSize(int* width, int* height) = 0;
    // Milliseconds on the display's clock.
    virtual std::uint64_t Now() = 0;
    // Waits until input may be waiting, wakeFd is readable or timeoutMs has
    // passed (-1: no deadline). Returns false when nothing could ever end the
    // wait, so a caller that must block would block forever.
    virtual bool Wait(int timeoutMs, int wakeFd) = 0;
    // Turns input that has arrived into input messages (PostInputMessage).
    virtual void ReadInput() = 0;

    virtual bool CreateNativeWindow(HWND hwnd, const RECT& rect, COLORREF background,
                                    bool topmost) = 0;
    virtual void ShowNativeWindow(HWND hwnd, bool show) = 0;
    virtual void DestroyNativeWindow(HWND hwnd) = 0;
    virtual void SetCursorHidden(bool hidden) = 0;

    // Realises the font now where the screen draws text; the recording display
    // draws nothing and keeps only the request.
    virtual void PrepareFont(HFONT font, const FontRequest& request) = 0;
    virtual void ForgetFont(HFONT font) = 0;
    virtual void DrawText(HWND hwnd, HFONT font, const FontRequest& request, int x, int y,
                          const std::string& utf8, COLORREF text, COLORREF background) = 0;
    virtual void DrawLine(HWND hwnd, POINT from, POINT to, COLORREF color) = 0;
    // Called at ReleaseDC: drawing of this device context is complete.
    virtual void FinishDrawing() = 0;
};

// The recording display while a test has switched it on, otherwise the X server.
DisplayBackend& CurrentDisplay();

// The recording display's log while it is on, otherwise null.
RecordingLog* ActiveRecordingLog();

}  // namespace layer
