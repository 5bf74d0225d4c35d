// A window object: owns one top-level window and its font, and receives every
// message of the window through the virtual HandleMessage.
#pragma once

#include "platform/win32.h"

class AppWindow {
public:
    static const int kTextSize = 256;

    AppWindow();
    virtual ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    // The base handling: quit on WM_DESTROY, then the platform default for everything.
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int Setup(HINSTANCE instance, const char* title, const char* className, WORD acceleratorId);
    ATOM RegisterWindowClass(WORD iconId, WORD smallIconId, WORD menuId, WORD cursorId,
                             HBRUSH background);
    HWND Create(DWORD exStyle, DWORD style, int x, int y, int width, int height, HWND parent,
                int showCommand);
    int RunMessageLoop();
    HFONT CreateTextFont(int height, int weightFactor, BOOL italic, BOOL underline, BOOL strikeOut,
                         const char* face);

    HWND Window() const { return window_; }
    HFONT Font() const { return font_; }
    const char* Title() const { return title_; }
    const char* ClassName() const { return className_; }

private:
    HINSTANCE instance_;
    HWND window_;
    HWND parent_;
    HACCEL accelerators_;
    HFONT font_;
    char className_[kTextSize];
    char title_[kTextSize];
};

// The window procedure of every class registered through AppWindow.
LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
