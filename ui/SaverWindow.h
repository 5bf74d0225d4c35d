// The full-screen saver window: types the check cycle's display line one byte per
// draw tick, sweeps the screen clean after the last subject, and ends on user input.
#pragma once

#include "ui/AppWindow.h"

class SaverWindow : public AppWindow {
public:
    static const int kLineHeight = 30;

    SaverWindow();
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Shows the cursor, drops the connection, stops the timers and ends the loop.
    static void StopCheckCycle(HWND window);

private:
    void OnCreate(HWND window);
    void OnTimer(HWND window, UINT_PTR timerId);
    void OnMouseMove(HWND window, LPARAM position);
    void OnDrawTick(HWND window);
    void TypeNextByte(HWND window, HDC dc);
    static void DrawWipeLine(HDC dc, const RECT& screen);

    int lineHeight_;
};

// Where the pointer was first seen; 0 means not recorded yet.
struct FirstMousePosition {
    int x = 0;
    int y = 0;
};
extern FirstMousePosition g_firstMouse;
