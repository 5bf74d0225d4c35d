// USER32 of the Linux layer on the recording screen: the messages a window
// procedure of the test receives, and the thread queue's order and timers.
#include <signal.h>

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/recording/recording.h"

namespace {

const UINT kAppMessage = 0x8000;  // WM_APP
std::vector<UINT> seen;

LRESULT CALLBACK Noting(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(message);
    EXPECT_TRUE(message != WM_CREATE ||
                reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams == &seen);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Shown over the whole screen: its appearance queues a WM_MOUSEMOVE.
HWND ShownWindow() {
    WNDCLASSEXA windowClass = {};
    windowClass.lpfnWndProc = Noting;
    windowClass.lpszClassName = "Noting";
    RegisterClassExA(&windowClass);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "Noting", "", WS_POPUP, 0, 0, 1024, 768, nullptr,
                                nullptr, nullptr, &seen);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

std::vector<UINT> DispatchWaiting() {
    seen.clear();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    return seen;
}

// Alt+F4 posts the system's close command (SC_CLOSE, or DefWindowProcA
// asserts), whose default handling sends WM_CLOSE, whose default handling
// destroys the window. A screen locker's SIGTERM becomes WM_CLOSE too.
TEST(UserLayer, CreationAltF4AndSigtermSendWindowsMessagesInOrder) {
    HWND hwnd = ShownWindow();
    EXPECT_EQ(seen, (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    Recording().PressAltF4();
    EXPECT_EQ(DispatchWaiting(), (std::vector<UINT>{WM_MOUSEMOVE, WM_SYSKEYDOWN, WM_SYSCOMMAND,
                                                    WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    RECT rect;
    EXPECT_FALSE(GetWindowRect(hwnd, &rect));
    EXPECT_TRUE(Recording().shown.empty());
    ShownWindow();
    raise(SIGTERM);
    EXPECT_EQ(DispatchWaiting(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

// Posted messages, then the quit, then input, then timers. Ticks that fall
// due during a blocking call come as one WM_TIMER, and the next keeps the
// timer's cadence; periods are held between 10 ms and 0x7FFFFFFF ms.
TEST(UserLayer, QueueOrderAndTimers) {
    HWND hwnd = ShownWindow();
    SetTimer(hwnd, 3, 10, nullptr);
    Recording().now += 95;
    PostMessageA(hwnd, kAppMessage, 1, 0);
    PostMessageA(hwnd, kAppMessage, 2, 0);
    PostQuitMessage(7);
    std::vector<UINT> messages;
    std::vector<WPARAM> wParams;
    std::vector<DWORD> times;
    MSG msg;
    for (UINT period : {0u, 0u, 0u, 0u, 0u, 0u, 1u, static_cast<UINT>(-60000)}) {
        if (period) SetTimer(hwnd, 3, period, nullptr);
        const BOOL more = GetMessageA(&msg, nullptr, 0, 0);
        EXPECT_EQ(more, msg.message != WM_QUIT);
        messages.push_back(msg.message);
        wParams.push_back(msg.wParam);
        times.push_back(msg.message == WM_TIMER ? msg.time : 0);
    }
    EXPECT_EQ(messages, (std::vector<UINT>{kAppMessage, kAppMessage, WM_QUIT, WM_MOUSEMOVE,
                                           WM_TIMER, WM_TIMER, WM_TIMER, WM_TIMER}));
    EXPECT_EQ(wParams, (std::vector<WPARAM>{1, 2, 7, 0, 3, 3, 3, 3}));
    EXPECT_EQ(times, (std::vector<DWORD>{0, 0, 0, 0, 95, 100, 110, 110 + 0x7FFFFFFFu}));
    DestroyWindow(hwnd);
}

}  // namespace
