// What USER32 and GDI32 need from a screen: a clock, a way to wait for input
// or a deadline, native windows, the cursor and drawing. The screen is chosen
// when the program is linked: x11/ provides the X server's; tests link a
// recording screen of their own instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <windef.h>

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

// Input for a window, as Windows queues it.
struct InputMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The one key a screen passes on is the system close chord, Alt+F4, as
// WM_SYSKEYDOWN for VK_F4 with this key data: one press, scan code 0x3E and
// the context bit that says Alt is held.
const LPARAM kAltF4KeyData = 0x203E0001;
const LPARAM kAltHeldBit = 0x20000000;

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
    // Appends the input that has arrived, as messages for its windows.
    virtual void ReadInput(std::vector<InputMessage>* input) = 0;

    virtual bool CreateNativeWindow(HWND hwnd, const RECT& rect, COLORREF background,
                                    bool topmost) = 0;
    virtual void ShowNativeWindow(HWND hwnd, bool show) = 0;
    virtual void DestroyNativeWindow(HWND hwnd) = 0;
    virtual void SetCursorHidden(bool hidden) = 0;

    // A font the program created, realised at once where the screen draws text.
    virtual void PrepareFont(HFONT font, const FontRequest& request) = 0;
    virtual void ForgetFont(HFONT font) = 0;
    // The bytes are code page 932, as TextOutA was given them.
    virtual void DrawText(HWND hwnd, HFONT font, const FontRequest& request, int x, int y,
                          std::string_view cp932, COLORREF text, COLORREF background) = 0;
    virtual void DrawLine(HWND hwnd, POINT from, POINT to, COLORREF color) = 0;
    // Called at ReleaseDC: drawing of this device context is complete.
    virtual void FinishDrawing() = 0;
};

// The screen of the process, provided by the screen library linked in.
DisplayBackend& CurrentDisplay();

}  // namespace layer
