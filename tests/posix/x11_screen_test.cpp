// The layer's X screen as the test's own X connection sees it, on the private Xvfb the program
// runs on (scripts/lib/xsession.py).
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "platform/win32.h"

// Xlib's macros (None, Bool, Status) break gtest's headers: they come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

// Xft and GTK keep fontconfig's patterns for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

static Display* observer = nullptr;  // the test's own connection

// Drawing reaches the server in its own time: looks again for up to 5 s.
template <class Condition>
static bool Eventually(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition())
        if (std::chrono::steady_clock::now() > end || usleep(10000) != 0) return false;
    return true;
}

// Whether the observer could grab the keyboard; it keeps it only when asked to hold it.
static bool GrabKeyboard(bool hold = false) {
    const bool grabbed = XGrabKeyboard(observer, DefaultRootWindow(observer), False, GrabModeAsync,
                                       GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!hold) XUngrabKeyboard(observer, CurrentTime);
    XSync(observer, False);
    return grabbed;
}

// The saver's window (null without an X server), shown over a window another client mapped while
// that client held the keyboard, which it then lets go of.
static HWND ShowTopMost() {
    if (!observer && !(observer = XOpenDisplay(nullptr))) return nullptr;
    GrabKeyboard(true);
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
    XUngrabKeyboard(observer, CurrentTime);
    XSync(observer, False);
    return hwnd;
}

// The top of the root window's stack.
static Window TopWindow() {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(observer, DefaultRootWindow(observer), &root, &parent, &children, &count);
    const Window top = count ? children[count - 1] : 0;
    XFree(children);
    return top;
}

static int VisibleCursorPixels() {
    XFixesCursorImage* image = XFixesGetCursorImage(observer);
    int visible = 0;
    for (int i = 0; image && i < image->width * image->height; ++i)
        visible += (image->pixels[i] >> 24) != 0;
    XFree(image);
    return visible;
}

// Override-redirect on top; blank cursor while the count is below 0; keyboard taken over until the
// window goes; GetMessageA sleeps until its timer.
TEST(X11Screen, TopMostWindowCoversTheScreenHidesTheCursorAndHoldsTheKeyboard) {
    HWND hwnd = ShowTopMost();
    ASSERT_TRUE(hwnd) << "no X server";
    XWindowAttributes window;
    ASSERT_TRUE(XGetWindowAttributes(observer, TopWindow(), &window));
    EXPECT_TRUE(window.override_redirect && window.map_state == IsViewable);
    EXPECT_TRUE(window.x == 0 && window.y == 0 && window.width == 1024 && window.height == 768);

    SetTimer(hwnd, 1, 300, nullptr);
    const auto wall = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) && msg.message != WM_TIMER) {
    }
    EXPECT_GE(std::chrono::steady_clock::now() - wall, std::chrono::milliseconds(250));
    EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 10);
    EXPECT_FALSE(GrabKeyboard());

    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_TRUE(Eventually([] { return VisibleCursorPixels() == 0; }));
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(Eventually([] { return VisibleCursorPixels() > 0; }));
    DestroyWindow(hwnd);
    EXPECT_TRUE(Eventually([] { return GrabKeyboard(); })) << "released with the window";
}

// DC defaults; opaque cells as high as asked; fixed pitch, double-width Japanese; no end point.
TEST(X11Screen, TextCellsAndLinesInPixels) {
    HWND hwnd = ShowTopMost();
    ASSERT_TRUE(hwnd) << "no X server";
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
    auto run = [&](int x, int y, int dx, int dy) {  // of pixels that are not white
        int n = 0;
        while (n < 300 && !white(x + n * dx, y + n * dy))
            ++n;
        return n;
    };
    EXPECT_EQ(run(1, 50, 0, 1), 30);
    const int width[3] = {run(0, 50, 1, 0), run(0, 150, 1, 0), run(0, 250, 1, 0)};
    EXPECT_TRUE(width[0] > 0 && width[1] == width[0] && width[2] == width[0])
        << width[0] << " " << width[1] << " " << width[2];
    XDestroyImage(image);
    DeleteObject(font);
    DestroyWindow(hwnd);
}
