// The recording display: a DisplayBackend with a virtual clock and no screen,
// and the test API that reads what the program drew and asked for.
#include <poll.h>

#include <map>

#include "platform/posix/display_x11.h"
#include "platform/posix/recording.h"
#include "platform/posix/user_state.h"

namespace {

const WPARAM kLeftButtonFlag = 0x0001;   // MK_LBUTTON
const WPARAM kRightButtonFlag = 0x0002;  // MK_RBUTTON

LPARAM PointParam(int x, int y) {
    return static_cast<LPARAM>((static_cast<UINT_PTR>(y & 0xFFFF) << 16) |
                               static_cast<UINT_PTR>(x & 0xFFFF));
}

class RecordingScreen : public layer::DisplayBackend {
public:
    void Reset(int width, int height) {
        width_ = width;
        height_ = height;
        now_ = 0;
        pointer_ = POINT{width / 2, height / 2};
        cursorHidden_ = false;
        windows_.clear();
        log_ = RecordingLog();
    }
    RecordingLog& Log() { return log_; }
    bool CursorHidden() const { return cursorHidden_; }
    void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }

    void MovePointer(int x, int y) {
        pointer_ = POINT{x, y};
        PostAtPointer(WM_MOUSEMOVE, 0);
    }
    void PressButton(int button) {
        if (button == 1) PostAtPointer(WM_LBUTTONDOWN, kLeftButtonFlag);
        if (button == 3) PostAtPointer(WM_RBUTTONDOWN, kRightButtonFlag);
    }

    void ScreenSize(int* width, int* height) override {
        *width = width_;
        *height = height_;
    }
    std::uint64_t Now() override { return now_; }
    // Time passes only here: a wait jumps straight to its deadline.
    bool Wait(int timeoutMs, int wakeFd) override {
        pollfd wake = {wakeFd, POLLIN, 0};
        if (wakeFd >= 0 && poll(&wake, 1, 0) > 0) return true;
        if (timeoutMs < 0) return false;
        now_ += static_cast<std::uint64_t>(timeoutMs);
        return true;
    }
    void ReadInput() override {}

    bool CreateNativeWindow(HWND hwnd, const RECT& rect, COLORREF, bool) override {
        windows_[hwnd] = Shown{rect, false};
        return true;
    }
    // A window appearing under the pointer gets one WM_MOUSEMOVE, as in Windows.
    void ShowNativeWindow(HWND hwnd, bool show) override {
        windows_[hwnd].visible = show;
        if (show && Contains(windows_[hwnd].rect, pointer_)) PostAtPointer(WM_MOUSEMOVE, 0);
    }
    void DestroyNativeWindow(HWND hwnd) override { windows_.erase(hwnd); }
    void SetCursorHidden(bool hidden) override { cursorHidden_ = hidden; }
    void PrepareFont(HFONT, const layer::FontRequest&) override {}
    void ForgetFont(HFONT) override {}
    void DrawText(HWND, HFONT, const layer::FontRequest&, int, int, const std::string&, COLORREF,
                  COLORREF) override {}
    void DrawLine(HWND, POINT, POINT, COLORREF) override {}
    void FinishDrawing() override {}

private:
    struct Shown {
        RECT rect;
        bool visible;
    };

    static bool Contains(const RECT& rect, POINT point) {
        return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
               point.y < rect.bottom;
    }

    // The newest shown window under the pointer is the one on top.
    void PostAtPointer(UINT message, WPARAM wParam) {
        HWND target = nullptr;
        RECT rect = {};
        for (const auto& [hwnd, window] : windows_) {
            if (window.visible && Contains(window.rect, pointer_) && layer::IsLiveWindow(hwnd)) {
                target = hwnd;
                rect = window.rect;
            }
        }
        if (target)
            layer::PostInputMessage(target, message, wParam,
                                    PointParam(pointer_.x - rect.left, pointer_.y - rect.top));
    }

    int width_ = 0;
    int height_ = 0;
    std::uint64_t now_ = 0;
    POINT pointer_ = {0, 0};
    bool cursorHidden_ = false;
    std::map<HWND, Shown> windows_;
    RecordingLog log_;
};

RecordingScreen recordingScreen;
bool recordingActive = false;

void ResetProcessState() {
    layer::ResetWindows();
    layer::ResetMessageQueue();
}

}  // namespace

namespace layer {

DisplayBackend& CurrentDisplay() {
    if (recordingActive) return recordingScreen;
    return X11Screen();
}

RecordingLog* ActiveRecordingLog() {
    return recordingActive ? &recordingScreen.Log() : nullptr;
}

}  // namespace layer

void RecordingDisplay::Begin(int width, int height) {
    ResetProcessState();
    recordingActive = true;
    recordingScreen.Reset(width, height);
}

void RecordingDisplay::End() {
    if (!recordingActive) return;
    ResetProcessState();
    recordingActive = false;
}

bool RecordingDisplay::Active() {
    return recordingActive;
}

RecordingLog& RecordingDisplay::Log() {
    return recordingScreen.Log();
}

void RecordingDisplay::ClearLog() {
    recordingScreen.Log() = RecordingLog();
}

DWORD RecordingDisplay::Now() {
    return static_cast<DWORD>(recordingScreen.Now());
}

void RecordingDisplay::Advance(DWORD milliseconds) {
    recordingScreen.Advance(milliseconds);
}

void RecordingDisplay::MovePointer(int x, int y) {
    recordingScreen.MovePointer(x, y);
}

void RecordingDisplay::PressButton(int button) {
    recordingScreen.PressButton(button);
}

int RecordingDisplay::CursorCount() {
    return layer::CursorCounter();
}

bool RecordingDisplay::CursorHidden() {
    return recordingScreen.CursorHidden();
}
