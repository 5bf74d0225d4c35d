// The X server's screen of the Linux layer against a private Xvfb, seen
// through the test's own X connection: what only the X server shows.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>

#include "platform/win32.h"
#include "tests/posix/private_xvfb.h"

// Xlib's macros (None, Bool, Status) break gtest's headers: they come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

// Xft keeps closed fonts, patterns that fontconfig made, until the display
// closes, which the layer leaves to the end of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

Display* observer = nullptr;  // the test's own connection

// A private Xvfb for the process; the layer connects to it through $DISPLAY.
bool StartXvfb() {
    static PrivateXvfb server;
    static const std::string name = server.Start();
    setenv("DISPLAY", name.c_str(), 1);
    return observer || (observer = XOpenDisplay(name.c_str()));
}

// Drawing reaches the server in its own time: looks again for up to 5 s.
bool Eventually(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition())
        if (std::chrono::steady_clock::now() > end || usleep(10000) != 0) return false;
    return true;
}

// The saver's kind of window, over the whole screen on the class's default
// white. A window another client maps before it is shown must end up below.
HWND ShowTopMost() {
    WNDCLASSEXA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "TopMost";
    RegisterClassExA(&windowClass);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "TopMost", "", WS_POPUP, 0, 0, 1024, 768, nullptr,
                                nullptr, nullptr, nullptr);
    XMapWindow(observer,
               XCreateSimpleWindow(observer, DefaultRootWindow(observer), 0, 0, 9, 9, 0, 0, 0));
    XSync(observer, False);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

// The top of the root window's stack.
Window TopWindow() {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(observer, DefaultRootWindow(observer), &root, &parent, &children, &count);
    const Window top = count ? children[count - 1] : 0;
    XFree(children);
    return top;
}

bool OthersCanGrabTheKeyboard() {
    const bool grabbed = XGrabKeyboard(observer, DefaultRootWindow(observer), False, GrabModeAsync,
                                       GrabModeAsync, CurrentTime) == GrabSuccess;
    XUngrabKeyboard(observer, CurrentTime);
    XSync(observer, False);
    return grabbed;
}

// Over the whole screen, on top, with no window manager's say; a blank cursor
// while ShowCursor's count is below zero; the keyboard held until the window
// goes, taken over from a client that held it first once that one lets go,
// while GetMessageA sleeps until its timer is due (generous bounds).
TEST(X11Screen, TopMostWindowCoversTheScreenHidesTheCursorAndHoldsTheKeyboard) {
    ASSERT_TRUE(StartXvfb()) << "no Xvfb";
    XGrabKeyboard(observer, DefaultRootWindow(observer), False, GrabModeAsync, GrabModeAsync,
                  CurrentTime);
    HWND hwnd = ShowTopMost();
    XWindowAttributes window;
    ASSERT_TRUE(XGetWindowAttributes(observer, TopWindow(), &window));
    EXPECT_TRUE(window.override_redirect && window.map_state == IsViewable);
    EXPECT_TRUE(window.x == 0 && window.y == 0 && window.width == 1024 && window.height == 768);

    XUngrabKeyboard(observer, CurrentTime);
    XSync(observer, False);
    SetTimer(hwnd, 1, 300, nullptr);
    const auto wall = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) && msg.message != WM_TIMER) {
    }
    EXPECT_GE(std::chrono::steady_clock::now() - wall, std::chrono::milliseconds(250));
    EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 10);
    EXPECT_FALSE(OthersCanGrabTheKeyboard());

    auto cursorPixels = [] {
        XFixesCursorImage* image = XFixesGetCursorImage(observer);
        int visible = 0;
        for (int i = 0; image && i < image->width * image->height; ++i)
            visible += (image->pixels[i] >> 24) != 0;
        XFree(image);
        return visible;
    };
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_TRUE(Eventually([&] { return cursorPixels() == 0; }));
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(Eventually([&] { return cursorPixels() > 0; }));

    DestroyWindow(hwnd);
    EXPECT_TRUE(Eventually(OthersCanGrabTheKeyboard)) << "released with the window";
}

// A device context starts with Windows' defaults. Text cells are opaque and
// exactly as high as the font asked for; the font is fixed-pitch with
// double-width Japanese; a line leaves out its end point.
TEST(X11Screen, TextCellsAndLinesInPixels) {
    ASSERT_TRUE(StartXvfb()) << "no Xvfb";
    HWND hwnd = ShowTopMost();
    HFONT font = CreateFontA(30, 0, 0, 0, 100, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, "MS UI GOSHIC");
    const char* const texts[] = {"ii", "WW", "\x82\xa0"};  // the last is あ
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(SetBkColor(dc, RGB(0, 0, 0)), RGB(255, 255, 255));
    EXPECT_EQ(SetTextColor(dc, RGB(0, 0, 255)), RGB(0, 0, 0));  // no pixel of a cell is white
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    for (int n = 0; n < 3; ++n)
        TextOutA(dc, 0, 100 * n + 50, texts[n], 2);
    EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), font);
    MoveToEx(dc, 0, 700, nullptr);
    LineTo(dc, 100, 700);
    ReleaseDC(hwnd, dc);

    XImage* image = nullptr;
    auto white = [&](int x, int y) { return (XGetPixel(image, x, y) & 0xFFFFFF) == 0xFFFFFF; };
    ASSERT_TRUE(Eventually([&] {
        if (image) XDestroyImage(image);
        image = XGetImage(observer, TopWindow(), 0, 0, 1024, 768, AllPlanes, ZPixmap);
        return !white(99, 700);  // drawn last, so the texts are there too
    }));
    EXPECT_TRUE(white(100, 700));
    int width[3] = {}, height = 0;
    for (int n = 0; n < 3; ++n)
        while (width[n] < 1024 && !white(width[n], 100 * n + 50))
            ++width[n];
    while (height < 99 && !white(1, 50 + height))
        ++height;
    EXPECT_EQ(height, 30);
    EXPECT_TRUE(width[0] > 0 && width[1] == width[0] && width[2] == width[0])
        << width[0] << " " << width[1] << " " << width[2];
    XDestroyImage(image);
    DeleteObject(font);
    DestroyWindow(hwnd);
}

}  // namespace
