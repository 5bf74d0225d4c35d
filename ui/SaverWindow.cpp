#include "ui/SaverWindow.h"

#include <cstring>

#include "pop3/MailClient.h"
#include "cycle/CheckCycle.h"

FirstMousePosition g_firstMouse;

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

// Keeps a window device context for one draw tick.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() { ReleaseDC(window_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Takes the next message a user or the system sends to end the saver: keys
// (Alt+F4 becomes a close), the mouse, and close requests. A quit request
// comes with them whatever the range, as Windows hands it out.
bool PeekInput(MSG* message) {
    return PeekMessageA(message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
           PeekMessageA(message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) ||
           PeekMessageA(message, nullptr, WM_CLOSE, WM_CLOSE, PM_REMOVE);
}

// Between the slices of a network wait the saver answers its input at once.
// Timers stay queued for the message loop, so no check step runs inside
// another.
void AnswerInput() {
    MSG message;
    while (PeekInput(&message)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool WipeFinished(const RECT& screen) {
    bool vertical = g_cycle.wipeDirection == 2 || g_cycle.wipeDirection == 3;
    bool horizontal = g_cycle.wipeDirection == 0 || g_cycle.wipeDirection == 1;
    return (vertical && g_cycle.wipePosition > screen.right) ||
           (horizontal && g_cycle.wipePosition > screen.bottom);
}

}  // namespace

SaverWindow::SaverWindow() : lineHeight_(0) {}

LRESULT SaverWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate(window);
            break;
        case WM_TIMER:
            OnTimer(window, wParam);
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(window, lParam);
            break;
        case WM_DESTROY:
        case WM_CLOSE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            StopCheckCycle(window);
            break;
        default:
            break;
    }
    return AppWindow::HandleMessage(window, message, wParam, lParam);
}

void SaverWindow::StopCheckCycle(HWND window) {
    ShowCursor(TRUE);
    g_mailClient.SetWaitCallback(nullptr);
    if (g_mailClient.IsOpen()) g_mailClient.Close();
    KillTimer(window, kStepTimer);
    KillTimer(window, kCheckTimer);
    KillTimer(window, kDrawTimer);
    PostQuitMessage(0);
}

void SaverWindow::OnCreate(HWND window) {
    CreateTextFont(30, 1, FALSE, FALSE, FALSE, "MS UI GOSHIC");
    lineHeight_ = kLineHeight;
    ShowCursor(FALSE);
    g_mailClient.SetWaitCallback(AnswerInput);
    StartCheckCycle(window);
}

void SaverWindow::OnTimer(HWND window, UINT_PTR timerId) {
    switch (timerId) {
        case kStepTimer:
            OnStepTick(window);
            break;
        case kCheckTimer:
            OnCheckTick();
            break;
        case kDrawTimer:
            OnDrawTick(window);
            break;
        default:
            break;
    }
}

// The saver ends only once the pointer has left both the column and the row
// where it was first seen; the move sent when the window appears just records it.
void SaverWindow::OnMouseMove(HWND window, LPARAM position) {
    int x = LOWORD(position);
    int y = HIWORD(position);
    if (g_firstMouse.x == 0) g_firstMouse.x = x;
    if (g_firstMouse.y == 0) g_firstMouse.y = y;
    if (x == g_firstMouse.x || y == g_firstMouse.y) return;
    StopCheckCycle(window);
}

void SaverWindow::OnDrawTick(HWND window) {
    RECT screen;
    GetWindowRect(window, &screen);
    WindowDC dc(window);
    SetBkColor(dc.Get(), kBlack);
    SetTextColor(dc.Get(), kWhite);
    if (g_cycle.displayLine[0]) {
        TypeNextByte(window, dc.Get());
    } else if (g_cycle.state == 9 && g_cycle.messageIndex >= g_cycle.messageCount) {
        if (WipeFinished(screen)) {
            g_cycle.state = 11;
            ++g_cycle.wipePosition;
            return;
        }
        DrawWipeLine(dc.Get(), screen);
        ++g_cycle.wipePosition;
    }
}

void SaverWindow::TypeNextByte(HWND window, HDC dc) {
    ++g_cycle.typedCount;
    HGDIOBJ previousFont = Font() ? SelectObject(dc, Font()) : nullptr;
    int y = (g_cycle.state + g_cycle.messageIndex) * lineHeight_;
    TextOutA(dc, 0, y, g_cycle.displayLine, g_cycle.typedCount);
    if (g_cycle.typedCount >= g_cycle.lineLength) {
        std::memset(g_cycle.displayLine, 0, sizeof g_cycle.displayLine);
        g_cycle.typedCount = 0;
        SetTimer(window, kStepTimer, kStepInterval, nullptr);
    }
    if (previousFont) SelectObject(dc, previousFont);
}

void SaverWindow::DrawWipeLine(HDC dc, const RECT& screen) {
    int position = g_cycle.wipePosition;
    switch (g_cycle.wipeDirection) {
        case 0:
            MoveToEx(dc, 0, position, nullptr);
            LineTo(dc, screen.right, position);
            break;
        case 1:
            MoveToEx(dc, 0, screen.bottom - position, nullptr);
            LineTo(dc, screen.right, screen.bottom - position);
            break;
        case 2:
            MoveToEx(dc, position, 0, nullptr);
            LineTo(dc, position, screen.bottom);
            break;
        case 3:
            MoveToEx(dc, screen.right - position, 0, nullptr);
            LineTo(dc, screen.right - position, screen.bottom);
            break;
        default:
            break;
    }
}
