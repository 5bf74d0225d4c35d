// The X server screen of the Linux layer, against a private Xvfb: fonts, text
// and line pixels, the blank cursor, mouse input and a message loop that
// sleeps instead of spinning.
#include <dlfcn.h>
#include <sys/resource.h>
#include <time.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/x11/x11_screen.h"
#include "platform/posix/user32/user_private.h"
#include "platform/win32.h"
#include "tests/posix/private_xvfb.h"

// Xlib's macros (None, Bool, Status) break gtest's headers: they come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

namespace {

const int kWidth = 1024;
const int kHeight = 768;

double Seconds(clockid_t clock) {
    timespec now = {};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double CpuSeconds() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A private Xvfb, started and stopped by each test, with the layer pointed at
// it through $DISPLAY.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        displayName_ = server_.Start();
        if (!displayName_.empty()) observer_ = XOpenDisplay(displayName_.c_str());
        ASSERT_NE(observer_, nullptr) << "no Xvfb could be started";
        const char* previous = std::getenv("DISPLAY");
        previousDisplay_ = previous ? previous : "";
        hadDisplay_ = previous != nullptr;
        setenv("DISPLAY", displayName_.c_str(), 1);
    }

    void TearDown() override {
        if (!observer_) return;
        layer::ResetWindows();
        layer::ResetMessageQueue();
        layer::X11Disconnect();
        XCloseDisplay(observer_);
        server_.Stop();
        if (hadDisplay_)
            setenv("DISPLAY", previousDisplay_.c_str(), 1);
        else
            unsetenv("DISPLAY");
    }

    static LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    // The saver's window: a black-brushed, top-most popup covering the screen.
    HWND CreateSaverLikeWindow() {
        LOGBRUSH black = {BS_SOLID, 0, 0};
        WNDCLASSEXA windowClass = {};
        windowClass.lpfnWndProc = PlainProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = CreateBrushIndirect(&black);
        windowClass.lpszClassName = "X11Test";
        RegisterClassExA(&windowClass);
        RECT screen = {};
        GetWindowRect(GetDesktopWindow(), &screen);
        HWND hwnd =
            CreateWindowExA(WS_EX_TOPMOST, "X11Test", "", WS_POPUP, 0, 0, screen.right,
                            screen.bottom, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(hwnd, SW_SHOW);
        XSync(observer_, False);
        return hwnd;
    }

    static HFONT SaverFont(LPCSTR face) {
        return CreateFontA(30, 0, 0, 0, 100, 0, 0, 0, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_DONTCARE, face);
    }

    // Pixels of one row of the window, 0xRRGGBB.
    std::vector<unsigned long> Row(HWND hwnd, int y, int width) {
        std::vector<unsigned long> pixels;
        layer::X11Sync();
        XImage* image = XGetImage(observer_, layer::X11WindowId(hwnd), 0, y,
                                  static_cast<unsigned>(width), 1, AllPlanes, ZPixmap);
        if (!image) return pixels;
        for (int x = 0; x < width; ++x)
            pixels.push_back(XGetPixel(image, x, 0) & 0xFFFFFF);
        XDestroyImage(image);
        return pixels;
    }

    // Takes what has arrived, waiting for it at most a second.
    std::vector<MSG> TakeArrived(size_t wanted) {
        std::vector<MSG> arrived;
        HWND timerWindow = layer::FirstLiveWindow();
        SetTimer(timerWindow, 99, 1000, nullptr);
        MSG msg = {};
        while (arrived.size() < wanted && GetMessageA(&msg, nullptr, 0, 0) &&
               msg.message != WM_TIMER)
            arrived.push_back(msg);
        KillTimer(timerWindow, 99);
        return arrived;
    }

    Display* observer_ = nullptr;
    PrivateXvfb server_;
    std::string displayName_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};

TEST_F(X11Test, TopMostWindowCoversTheScreen) {
    RECT screen = {};
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &screen));
    EXPECT_EQ(screen.right, kWidth);
    EXPECT_EQ(screen.bottom, kHeight);
    HWND hwnd = CreateSaverLikeWindow();
    XWindowAttributes attributes = {};
    ASSERT_TRUE(XGetWindowAttributes(observer_, layer::X11WindowId(hwnd), &attributes));
    EXPECT_TRUE(attributes.override_redirect);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    for (unsigned long pixel : Row(hwnd, 400, kWidth))
        ASSERT_EQ(pixel, 0u) << "the class brush is black";
}

// Xft would substitute a font without Japanese glyphs; a positive height is
// Windows' cell height.
TEST_F(X11Test, SaverFontIsJapaneseFixedPitchWithA30PixelCell) {
    for (const char* face : {"MS UI GOSHIC", "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E"}) {
        SCOPED_TRACE(face);
        HFONT font = SaverFont(face);
        layer::X11FontFacts facts = {};
        ASSERT_TRUE(layer::X11FontFactsOf(font, &facts));
        EXPECT_TRUE(facts.japanese) << facts.family;
        EXPECT_TRUE(facts.spacing == 100 || facts.spacing == 90) << facts.spacing;
        EXPECT_EQ(facts.ascent + facts.descent, 30) << facts.family;
        DeleteObject(font);
    }
}

// White text on black shows in its row; the wipe's black line erases it.
TEST_F(X11Test, TextPixelsAndTheWipeLine) {
    HWND hwnd = CreateSaverLikeWindow();
    HFONT font = SaverFont("MS UI GOSHIC");
    layer::X11FontFacts facts = {};
    ASSERT_TRUE(layer::X11FontFactsOf(font, &facts));
    const int row = 60 + facts.ascent - 8;  // through the glyphs, above the baseline

    HDC hdc = GetDC(hwnd);
    SetBkColor(hdc, RGB(0, 0, 0));
    SetTextColor(hdc, RGB(255, 255, 255));
    HGDIOBJ previous = SelectObject(hdc, font);
    TextOutA(hdc, 0, 60, "USER \x82\xA0\x87\x40", 9);
    SelectObject(hdc, previous);
    ReleaseDC(hwnd, hdc);

    int white = 0;
    for (unsigned long pixel : Row(hwnd, row, 300))
        white += pixel == 0xFFFFFF ? 1 : 0;
    EXPECT_GT(white, 5);
    for (unsigned long pixel : Row(hwnd, 59, 300))
        EXPECT_EQ(pixel, 0u) << "nothing above the text's cell";

    hdc = GetDC(hwnd);
    MoveToEx(hdc, 0, row, nullptr);
    LineTo(hdc, kWidth, row);
    ReleaseDC(hwnd, hdc);
    for (unsigned long pixel : Row(hwnd, row, kWidth))
        ASSERT_EQ(pixel, 0u);
    DeleteObject(font);
}

// Screenshots never show the pointer: XFixes reports the cursor image. The
// tests' link line carries no XFixes, so it is loaded at run time.
TEST_F(X11Test, HiddenCursorIsBlank) {
    void* xfixes = dlopen("libXfixes.so.3", RTLD_NOW);
    ASSERT_NE(xfixes, nullptr) << "libXfixes is not installed";
    auto queryVersion =
        reinterpret_cast<Status (*)(Display*, int*, int*)>(dlsym(xfixes, "XFixesQueryVersion"));
    auto cursorImage =
        reinterpret_cast<XFixesCursorImage* (*)(Display*)>(dlsym(xfixes, "XFixesGetCursorImage"));
    ASSERT_TRUE(queryVersion && cursorImage);
    int major = 4;
    int minor = 0;
    queryVersion(observer_, &major, &minor);
    auto visiblePixels = [&]() {
        layer::X11Sync();
        XFixesCursorImage* image = cursorImage(observer_);
        int visible = 0;
        for (int i = 0; image && i < image->width * image->height; ++i)
            visible += (image->pixels[i] >> 24) ? 1 : 0;
        if (image) XFree(image);
        return visible;
    };

    CreateSaverLikeWindow();
    EXPECT_GT(visiblePixels(), 0) << "the server's own cursor to begin with";
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(visiblePixels(), 0);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_GT(visiblePixels(), 0);
    dlclose(xfixes);
}

TEST_F(X11Test, PointerEventsBecomeMouseMessages) {
    HWND hwnd = CreateSaverLikeWindow();
    std::vector<MSG> arrived = TakeArrived(1);
    ASSERT_EQ(arrived.size(), 1u) << "one move for the window appearing under the pointer";
    EXPECT_EQ(arrived[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(arrived[0].lParam, (kWidth / 2) | ((kHeight / 2) << 16));

    const Window window = layer::X11WindowId(hwnd);
    XEvent motion = {};
    motion.xmotion = XMotionEvent{MotionNotify,
                                  0,
                                  True,
                                  observer_,
                                  window,
                                  DefaultRootWindow(observer_),
                                  None,
                                  CurrentTime,
                                  700,
                                  500,
                                  700,
                                  500,
                                  0,
                                  NotifyNormal,
                                  True};
    XSendEvent(observer_, window, False, PointerMotionMask, &motion);
    for (unsigned int button : {Button1, Button2, Button3}) {
        XEvent press = {};
        press.xbutton = XButtonEvent{
            ButtonPress, 0,           True, observer_, window, DefaultRootWindow(observer_),
            None,        CurrentTime, 10,   20,        10,     20,
            0,           button,      True};
        XSendEvent(observer_, window, False, ButtonPressMask, &press);
    }
    XSync(observer_, False);

    arrived = TakeArrived(3);
    ASSERT_EQ(arrived.size(), 3u);
    EXPECT_EQ(arrived[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(arrived[0].lParam, 700 | (500 << 16));
    EXPECT_EQ(arrived[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(arrived[1].lParam, 10 | (20 << 16));
    EXPECT_EQ(arrived[2].message, static_cast<UINT>(WM_RBUTTONDOWN)) << "button 2 is not a message";
}

// The shown top-most window holds the keyboard until it goes. A grab that
// another client holds first is taken over once it ends, while the loop runs.
TEST_F(X11Test, ShownTopMostWindowHoldsTheKeyboard) {
    auto othersCanGrab = [&] {
        layer::X11Sync();
        return XGrabKeyboard(observer_, DefaultRootWindow(observer_), False, GrabModeAsync,
                             GrabModeAsync, CurrentTime) == GrabSuccess;
    };
    ASSERT_TRUE(othersCanGrab());
    HWND hwnd = CreateSaverLikeWindow();
    EXPECT_EQ(TakeArrived(1).size(), 1u) << "the loop goes on while the keyboard is held";
    XUngrabKeyboard(observer_, CurrentTime);
    XSync(observer_, False);
    SetTimer(hwnd, 1, 200, nullptr);
    MSG msg = {};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(othersCanGrab()) << "taken over without any input arriving";
    DestroyWindow(hwnd);
    EXPECT_TRUE(othersCanGrab()) << "released with the window";
}

// Waiting for a timer in GetMessageA costs no CPU. Bounds are generous.
TEST_F(X11Test, WaitingSleepsInsteadOfSpinning) {
    HWND hwnd = CreateSaverLikeWindow();
    // The mouse move of the window's appearance must be in and taken first.
    layer::X11Sync();
    MSG msg = {};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SetTimer(hwnd, 1, 300, nullptr);
    const double wallStart = Seconds(CLOCK_MONOTONIC);
    const double cpuStart = CpuSeconds();
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    const double wall = Seconds(CLOCK_MONOTONIC) - wallStart;
    const double cpu = CpuSeconds() - cpuStart;
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_GE(wall, 0.25);
    EXPECT_LT(cpu, 0.1) << "wall " << wall << " s";
    KillTimer(hwnd, 1);
}

}  // namespace
