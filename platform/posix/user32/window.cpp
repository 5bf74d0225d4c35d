// USER32 windows and window classes over a DisplayBackend.
#include <cassert>
#include <strings.h>

#include <string>
#include <vector>

#include "platform/posix/backend/display.h"
#include "platform/posix/gdi32/gdi_private.h"
#include "platform/posix/user32/user_private.h"
#include <wingdi.h>

namespace {

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    HBRUSH background;
};

struct Window {
    HWND hwnd;
    WNDPROC procedure;
    RECT rect;
    bool alive;
    bool destroying;
    bool visible;
};

// Handles are never reused within a run, so a stale handle stays invalid.
const UINT_PTR kFirstWindowHandle = 0x10020;
const UINT_PTR kWindowHandleStep = 4;
HWND const kDesktopWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x10010));
HICON const kIcon = reinterpret_cast<HICON>(static_cast<UINT_PTR>(0x10004));
HCURSOR const kArrowCursor = reinterpret_cast<HCURSOR>(static_cast<UINT_PTR>(0x10008));
const ATOM kFirstAtom = 0xC000;

std::vector<WindowClass> classes;
std::vector<Window> windows;
UINT_PTR handlesIssued = 0;
int cursorCounter = 0;

Window* FindWindowRecord(HWND hwnd) {
    for (Window& window : windows)
        if (window.hwnd == hwnd && window.alive) return &window;
    return nullptr;
}

const WindowClass* FindClass(LPCSTR name) {
    for (const WindowClass& windowClass : classes)
        if (strcasecmp(windowClass.name.c_str(), name) == 0) return &windowClass;
    return nullptr;
}

int LiveWindowCount() {
    int count = 0;
    for (const Window& window : windows)
        count += window.alive ? 1 : 0;
    return count;
}

// A class background given as COLOR_WINDOW + 1 is Windows' default white.
COLORREF BrushColor(HBRUSH brush) {
    LOGBRUSH logBrush = {};
    if (reinterpret_cast<UINT_PTR>(brush) != COLOR_WINDOW + 1 && layer::BrushInfo(brush, &logBrush))
        return logBrush.lbColor;
    return RGB(255, 255, 255);
}

// Popup windows ignore CW_USEDEFAULT: the position becomes (0, 0) and a
// default width makes the window empty. Negative sizes are empty too.
RECT CreationRect(int x, int y, int width, int height) {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (y == CW_USEDEFAULT) y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    return RECT{x, y, x + width, y + height};
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = layer::WindowProcedure(hwnd);
    return procedure ? procedure(hwnd, message, wParam, lParam) : 0;
}

// Tears a window down once its procedure has seen its last message.
void ForgetWindow(HWND hwnd) {
    Window* window = FindWindowRecord(hwnd);
    if (!window) return;
    window->alive = false;
    layer::KillWindowTimers(hwnd);
    layer::CurrentDisplay().DestroyNativeWindow(hwnd);
    if (LiveWindowCount() == 0) layer::WatchTerminationSignals(false);
}

// The creation messages, in Windows' order; false when the procedure refused.
bool SendCreationMessages(HWND hwnd, CREATESTRUCTA* create) {
    int width = 0;
    int height = 0;
    layer::CurrentDisplay().ScreenSize(&width, &height);
    MINMAXINFO limits = {};
    limits.ptMaxSize = POINT{width, height};
    limits.ptMaxTrackSize = POINT{width, height};
    Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    if (!Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(create))) {
        Send(hwnd, WM_NCDESTROY, 0, 0);
        ForgetWindow(hwnd);
        return false;
    }
    RECT client = {create->x, create->y, create->x + create->cx, create->y + create->cy};
    Send(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(create)) == -1) {
        DestroyWindow(hwnd);
        return false;
    }
    return FindWindowRecord(hwnd) != nullptr;
}

}  // namespace

namespace layer {

void ResizeWindow(HWND hwnd, int width, int height) {
    if (Window* window = FindWindowRecord(hwnd)) {
        window->rect.right = window->rect.left + width;
        window->rect.bottom = window->rect.top + height;
    }
}

WNDPROC WindowProcedure(HWND hwnd) {
    Window* window = FindWindowRecord(hwnd);
    return window ? window->procedure : nullptr;
}

bool IsLiveWindow(HWND hwnd) {
    return FindWindowRecord(hwnd) != nullptr;
}

HWND FirstLiveWindow() {
    for (const Window& window : windows)
        if (window.alive) return window.hwnd;
    return nullptr;
}



}  // namespace layer

// RegisterClassExA (USER32)
// A class name registered twice fails, as in Windows. cbSize is not checked:
// the program fills in Windows' 32-bit size.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    assert(windowClass && windowClass->lpszClassName);
    assert(!IS_INTRESOURCE(windowClass->lpszClassName) && "class atoms are not implemented");
    if (!windowClass->lpfnWndProc || FindClass(windowClass->lpszClassName)) return 0;
    classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc,
                                  windowClass->hbrBackground});
    return static_cast<ATOM>(kFirstAtom + classes.size() - 1);
}

// CreateWindowExA (USER32)
// Sends WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE and WM_CREATE to the class's
// procedure before returning; a refused creation destroys the window and
// returns 0. A WS_EX_TOPMOST window stays above all others.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID createParam) {
    assert(className && !IS_INTRESOURCE(className) && "class atoms are not implemented");
    const WindowClass* windowClass = FindClass(className);
    if (!windowClass) return nullptr;
    const RECT rect = CreationRect(x, y, width, height);
    HWND hwnd = reinterpret_cast<HWND>(kFirstWindowHandle + kWindowHandleStep * handlesIssued++);
    if (!layer::CurrentDisplay().CreateNativeWindow(hwnd, rect, BrushColor(windowClass->background),
                                                    (exStyle & WS_EX_TOPMOST) != 0))
        return nullptr;
    windows.push_back(Window{hwnd, windowClass->procedure, rect, true, false, false});
    if (LiveWindowCount() == 1) layer::WatchTerminationSignals(true);

    CREATESTRUCTA create = {createParam,
                            instance,
                            menu,
                            parent,
                            rect.bottom - rect.top,
                            rect.right - rect.left,
                            rect.top,
                            rect.left,
                            static_cast<LONG>(style),
                            windowName,
                            className,
                            exStyle};
    return SendCreationMessages(hwnd, &create) ? hwnd : nullptr;
}

// ShowWindow (USER32)
// SW_HIDE hides, every other command shows. Returns the previous visibility.
BOOL ShowWindow(HWND hwnd, int showCommand) {
    Window* window = FindWindowRecord(hwnd);
    if (!window) return FALSE;
    const bool wasVisible = window->visible;
    window->visible = showCommand != SW_HIDE;
    if (window->visible != wasVisible)
        layer::CurrentDisplay().ShowNativeWindow(hwnd, window->visible);
    return wasVisible ? TRUE : FALSE;
}

// UpdateWindow (USER32)
// Nothing is ever invalid: the screen repaints the window with its class
// background by itself, and the program paints only from its timers.
BOOL UpdateWindow(HWND hwnd) {
    return FindWindowRecord(hwnd) ? TRUE : FALSE;
}

// DestroyWindow (USER32)
// Sends WM_DESTROY then WM_NCDESTROY, and stops the window's timers.
BOOL DestroyWindow(HWND hwnd) {
    Window* window = FindWindowRecord(hwnd);
    if (!window || window->destroying) return FALSE;
    window->destroying = true;
    if (window->visible) layer::CurrentDisplay().ShowNativeWindow(hwnd, false);
    Send(hwnd, WM_DESTROY, 0, 0);
    Send(hwnd, WM_NCDESTROY, 0, 0);
    ForgetWindow(hwnd);
    return TRUE;
}

// DefWindowProcA (USER32)
// WM_NCCREATE lets creation go on; WM_CLOSE destroys the window; Alt+F4 posts
// the system's close command, which sends WM_CLOSE; everything else is
// answered with 0.
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & layer::kAltHeldBit))
                PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        case WM_SYSCOMMAND:
            assert((wParam & 0xFFF0) == SC_CLOSE && "DefWindowProcA: only SC_CLOSE is implemented");
            if ((wParam & 0xFFF0) == SC_CLOSE) Send(hwnd, WM_CLOSE, 0, 0);
            return 0;
        default:
            return 0;
    }
}

// GetDesktopWindow (USER32)
HWND GetDesktopWindow() {
    return kDesktopWindow;
}

// GetWindowRect (USER32)
// The desktop window's rectangle is the whole screen.
BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!rect) return FALSE;
    if (hwnd == kDesktopWindow) {
        int width = 0;
        int height = 0;
        layer::CurrentDisplay().ScreenSize(&width, &height);
        *rect = RECT{0, 0, width, height};
        return TRUE;
    }
    const Window* window = FindWindowRecord(hwnd);
    if (!window) return FALSE;
    *rect = window->rect;
    return TRUE;
}

// GetSystemMetrics (USER32)
// Only the screen size.
int GetSystemMetrics(int index) {
    assert((index == SM_CXSCREEN || index == SM_CYSCREEN) && "GetSystemMetrics: not implemented");
    int width = 0;
    int height = 0;
    layer::CurrentDisplay().ScreenSize(&width, &height);
    return index == SM_CXSCREEN ? width : height;
}

// LoadIconA (USER32)
// Icons are never drawn here; any icon loads as the same placeholder.
HICON LoadIconA(HINSTANCE, LPCSTR) {
    return kIcon;
}

// LoadCursorA (USER32)
// The system arrow is the screen's default pointer; the module holds no cursors.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return (!instance && name == IDC_ARROW) ? kArrowCursor : nullptr;
}

// LoadAcceleratorsA (USER32)
// The module holds no accelerator tables.
HACCEL LoadAcceleratorsA(HINSTANCE, LPCSTR) {
    return nullptr;
}

// ShowCursor (USER32)
// A counter; while it is below zero the pointer is invisible over our windows.
int ShowCursor(BOOL show) {
    cursorCounter += show ? 1 : -1;
    layer::CurrentDisplay().SetCursorHidden(cursorCounter < 0);
    return cursorCounter;
}
