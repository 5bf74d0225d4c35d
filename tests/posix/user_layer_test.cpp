// The layer's USER32 on the recording screen: messages a window receives, queue order, timers.
#include <signal.h>

#include <gtest/gtest.h>

#include "platform/posix/user32/termination.h"
#include "platform/win32.h"
#include "tests/recording/recording.h"

using Messages = std::vector<UINT>;
static Messages seen;

static LRESULT CALLBACK Noting(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(message);
    EXPECT_TRUE(message != WM_CREATE ||
                reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams == &seen);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Shown over the whole screen: its appearance queues a WM_MOUSEMOVE.
static HWND ShownWindow() {
    WNDCLASSEXA windowClass = {};
    windowClass.lpfnWndProc = Noting;
    windowClass.lpszClassName = "Noting";
    RegisterClassExA(&windowClass);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "Noting", "", WS_POPUP, 0, 0, 1024, 768, nullptr,
                                nullptr, nullptr, &seen);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

static Messages DispatchWaiting() {
    seen.clear();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    return seen;
}

// Alt+F4 gives SC_CLOSE, then WM_CLOSE, then destruction; a screen locker's SIGTERM is WM_CLOSE,
// and the signal is kept for the entry to die from (SIGHUP as well).
TEST(UserLayer, CreationAltF4AndSigtermSendWindowsMessagesInOrder) {
    HWND hwnd = ShownWindow();
    EXPECT_EQ(seen, (Messages{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    Recording().Queue(0, WM_SYSKEYDOWN, VK_F4, layer::kAltF4KeyData);
    EXPECT_EQ(DispatchWaiting(), (Messages{WM_MOUSEMOVE, WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE,
                                           WM_DESTROY, WM_NCDESTROY}));
    RECT rect;
    EXPECT_FALSE(GetWindowRect(hwnd, &rect));
    EXPECT_TRUE(Recording().shown.empty());
    EXPECT_EQ(layer::ClosingSignal(), 0);
    ShownWindow();
    raise(SIGTERM);
    EXPECT_EQ(DispatchWaiting(), (Messages{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(layer::ClosingSignal(), SIGTERM);
    ShownWindow();
    raise(SIGHUP);
    EXPECT_EQ(DispatchWaiting(), (Messages{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(layer::ClosingSignal(), SIGHUP);
}

// Posted, quit, input, timers; late ticks are one WM_TIMER on the cadence; periods 10 ms to 2^31-1.
TEST(UserLayer, QueueOrderAndTimers) {
    const UINT kApp = 0x8000;  // WM_APP
    HWND hwnd = ShownWindow();
    SetTimer(hwnd, 3, 10, nullptr);
    Recording().now += 95;
    PostMessageA(hwnd, kApp, 1, 0);
    PostMessageA(hwnd, kApp, 2, 0);
    PostQuitMessage(7);
    std::vector<DWORD> got;  // message, wParam and a timer's time of each
    MSG msg;
    for (UINT period : {0u, 0u, 0u, 0u, 0u, 0u, 1u, static_cast<UINT>(-60000)}) {
        if (period) SetTimer(hwnd, 3, period, nullptr);
        const BOOL more = GetMessageA(&msg, nullptr, 0, 0);
        EXPECT_EQ(more, msg.message != WM_QUIT);
        got.insert(got.end(),
                   {msg.message, DWORD(msg.wParam), msg.message == WM_TIMER ? msg.time : 0});
    }
    EXPECT_EQ(got, (std::vector<DWORD>{kApp,     1, 0,   kApp,         2, 0,
                                       WM_QUIT,  7, 0,   WM_MOUSEMOVE, 0, 0,
                                       WM_TIMER, 3, 95,  WM_TIMER,     3, 100,
                                       WM_TIMER, 3, 110, WM_TIMER,     3, 110 + 0x7FFFFFFFu}));
    DestroyWindow(hwnd);
}

// A range takes only its own messages and never makes a timer tick; the quit request comes
// whatever the range; the rest stays for the message loop, in order.
TEST(UserLayer, PeekMessageTakesItsRangeOnly) {
    HWND hwnd = ShownWindow();
    SetTimer(hwnd, 1, 10, nullptr);
    Recording().now += 50;
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    Recording().Queue(0, WM_LBUTTONDOWN);
    Messages got;
    MSG msg;
    for (UINT range : {WM_MOUSEFIRST, WM_MOUSEFIRST, WM_MOUSEFIRST, WM_KEYFIRST})
        if (PeekMessageA(&msg, nullptr, range, range | 0xF, PM_REMOVE)) got.push_back(msg.message);
    PostQuitMessage(3);
    PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE);
    got.push_back(msg.message);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && got.size() < 8)
        got.push_back(msg.message);
    EXPECT_EQ(got, (Messages{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_QUIT, WM_CLOSE, WM_TIMER}));
    DestroyWindow(hwnd);
}
