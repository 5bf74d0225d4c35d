// Window creation, destruction, default handling, mouse input and the cursor
// counter of the Linux layer, on the recording display.
#include "platform/posix/user32/user_private.h"
#include "tests/posix/recording_fixture.h"

namespace {

class WindowTest : public RecordingTest {};

std::vector<UINT> DefaultHandled() {
    std::vector<UINT> ids;
    for (const RecordedMessage& message : RecordingDisplay::Log().defaultMessages)
        ids.push_back(message.message);
    return ids;
}

TEST_F(WindowTest, CreationSendsWindowsMessagesInOrder) {
    int parameter = 42;
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, "title", WS_POPUP, 10, 20, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), &parameter);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(SeenIds(),
              (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    for (const SeenMessage& seen : Seen())
        EXPECT_EQ(seen.hwnd, hwnd);

    for (int index : {1, 3}) {
        const SeenMessage& seen = Seen()[static_cast<size_t>(index)];
        SCOPED_TRACE(seen.message);
        EXPECT_EQ(seen.create.lpCreateParams, &parameter);
        EXPECT_EQ(seen.create.hInstance, GetModuleHandleA(nullptr));
        EXPECT_EQ(seen.create.hMenu, nullptr);
        EXPECT_EQ(seen.create.hwndParent, nullptr);
        EXPECT_EQ(seen.create.x, 10);
        EXPECT_EQ(seen.create.y, 20);
        EXPECT_EQ(seen.create.cx, 300);
        EXPECT_EQ(seen.create.cy, 200);
        EXPECT_EQ(static_cast<DWORD>(seen.create.style), WS_POPUP);
        EXPECT_EQ(seen.create.dwExStyle, WS_EX_TOPMOST);
        EXPECT_EQ(seen.className, kClassName);
        EXPECT_EQ(seen.windowName, "title");
    }
    EXPECT_EQ(DefaultHandled(), SeenIds()) << "every creation message reached DefWindowProcA";

    RECT rect = {};
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 310);
    EXPECT_EQ(rect.bottom, 220);
}

TEST_F(WindowTest, RefusedCreationLeavesNoWindow) {
    struct Case {
        UINT refused;
        LRESULT answer;
        std::vector<UINT> expected;
    };
    const Case cases[] = {
        {WM_CREATE,
         -1,
         {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
        {WM_NCCREATE, FALSE, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCDESTROY}},
    };
    for (const Case& refusal : cases) {
        SCOPED_TRACE(refusal.refused);
        Seen().clear();
        Answers() = {{refusal.refused, refusal.answer}};
        EXPECT_EQ(CreateNotingWindow(), nullptr);
        EXPECT_EQ(SeenIds(), refusal.expected);
        const HWND attempted = Seen().front().hwnd;
        RECT rect = {};
        EXPECT_FALSE(GetWindowRect(attempted, &rect));
        EXPECT_FALSE(DestroyWindow(attempted));
    }
}

TEST_F(WindowTest, DefaultCloseDestroysTheWindow) {
    HWND hwnd = CreateNotingWindow();
    Seen().clear();
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    MSG msg = {};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    DispatchMessageA(&msg);
    EXPECT_EQ(SeenIds(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(DestroyWindow(hwnd)) << "already gone";
    EXPECT_FALSE(PostMessageA(hwnd, WM_CLOSE, 0, 0));
}

// Alt+F4 as Windows delivers it: the key, then the close command its default
// handling posts, then the WM_CLOSE that the command's default handling sends.
TEST_F(WindowTest, AltF4ClosesThroughTheSystemCommand) {
    HWND hwnd = CreateNotingWindow();
    Seen().clear();
    layer::PostInputMessage(hwnd, WM_SYSKEYDOWN, VK_F4, layer::kAltF4KeyData);  // as the X screen
    MSG msg = {};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    ASSERT_EQ(SeenIds(), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY,
                                            WM_NCDESTROY}));
    EXPECT_EQ(Seen()[1].wParam, static_cast<WPARAM>(SC_CLOSE));
    EXPECT_FALSE(DestroyWindow(hwnd)) << "already gone";
}

// DestroyWindow from inside WM_DESTROY (a close path that runs twice) does
// not send WM_DESTROY again.
TEST_F(WindowTest, DestroyIsNotReentered) {
    static HWND destroyed = nullptr;
    static int nested = -1;
    WNDCLASSEXA windowClass = {};
    windowClass.lpszClassName = "Reentrant";
    windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY) {
            destroyed = hwnd;
            nested = DestroyWindow(hwnd);
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    };
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    HWND hwnd = CreateWindowExA(0, "reentrant", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr) << "class names are case-insensitive";
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(destroyed, hwnd);
    EXPECT_EQ(nested, FALSE);
}

TEST_F(WindowTest, PopupPositionAndSizeDefaults) {
    struct Case {
        int x, y, width, height;
        RECT expected;
    };
    const Case cases[] = {
        {0, 0, 1024, 768, {0, 0, 1024, 768}},
        {CW_USEDEFAULT, 5, 100, 50, {0, 0, 100, 50}},
        {7, 5, CW_USEDEFAULT, 50, {7, 5, 7, 5}},
        {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, {0, 0, 0, 0}},
        {3, 4, -5, -6, {3, 4, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.x << "," << c.y << " " << c.width << "x" << c.height);
        HWND hwnd = CreateNotingWindow(c.x, c.y, c.width, c.height);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        RECT rect = {};
        ASSERT_TRUE(GetWindowRect(hwnd, &rect));
        EXPECT_EQ(rect.left, c.expected.left);
        EXPECT_EQ(rect.top, c.expected.top);
        EXPECT_EQ(rect.right, c.expected.right);
        EXPECT_EQ(rect.bottom, c.expected.bottom);
        DestroyWindow(hwnd);
    }
}

TEST_F(WindowTest, ClassesAndScreen) {
    WNDCLASSEXA again = {};
    again.lpszClassName = "NOTINGWINDOW";
    again.lpfnWndProc = NotingProc;
    EXPECT_EQ(RegisterClassExA(&again), 0) << "registered twice";
    EXPECT_EQ(
        CreateWindowExA(0, "Unknown", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_TRUE(Seen().empty());

    RECT screen = {};
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &screen));
    EXPECT_EQ(screen.right, kScreenWidth);
    EXPECT_EQ(screen.bottom, kScreenHeight);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(0)), nullptr);
}

std::vector<SeenMessage> TakeInput() {
    std::vector<SeenMessage> input;
    MSG msg = {};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        input.push_back(
            SeenMessage{msg.hwnd, msg.message, msg.wParam, msg.lParam, msg.time, {}, "", ""});
    return input;
}

// Windows sends one WM_MOUSEMOVE when a window appears under the pointer.
TEST_F(WindowTest, ShowingUnderThePointerSendsOneMove) {
    HWND away = CreateNotingWindow(0, 0, 100, 100);
    EXPECT_FALSE(ShowWindow(away, SW_SHOW));
    EXPECT_TRUE(ShowWindow(away, SW_SHOW)) << "was already visible";
    EXPECT_TRUE(TakeInput().empty()) << "the pointer is at the screen's centre";

    HWND under = CreateNotingWindow(500, 300, 100, 100);
    ShowWindow(under, SW_SHOWNORMAL);
    std::vector<SeenMessage> input = TakeInput();
    ASSERT_EQ(input.size(), 1u);
    EXPECT_EQ(input[0].hwnd, under);
    EXPECT_EQ(input[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(LOWORD(input[0].lParam), 12);  // 512 - 500
    EXPECT_EQ(HIWORD(input[0].lParam), 84);  // 384 - 300
}

TEST_F(WindowTest, PointerInputBecomesMouseMessages) {
    HWND hwnd = CreateNotingWindow();
    RecordingDisplay::MovePointer(5, 5);  // not shown yet: nothing
    ShowWindow(hwnd, SW_SHOW);
    TakeInput();
    RecordingDisplay::MovePointer(640, 480);
    RecordingDisplay::PressButton(1);
    RecordingDisplay::PressButton(2);
    RecordingDisplay::PressButton(3);
    const std::vector<SeenMessage> input = TakeInput();
    ASSERT_EQ(input.size(), 3u);
    EXPECT_EQ(input[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(input[0].lParam, 640 | (480 << 16));
    EXPECT_EQ(input[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(input[2].message, static_cast<UINT>(WM_RBUTTONDOWN));
    for (const SeenMessage& message : input)
        EXPECT_EQ(message.hwnd, hwnd);
}

TEST_F(WindowTest, CursorCounterHidesBelowZero) {
    CreateNotingWindow();
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_TRUE(RecordingDisplay::CursorHidden());
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_FALSE(RecordingDisplay::CursorHidden());
    EXPECT_EQ(ShowCursor(TRUE), 1);
    EXPECT_EQ(RecordingDisplay::CursorCount(), 1);
    EXPECT_EQ(RecordingDisplay::Log().showCursorCalls, 3);
}

}  // namespace
