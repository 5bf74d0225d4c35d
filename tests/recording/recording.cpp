#include "tests/recording/recording.h"

#include <poll.h>

#include <map>

#include <winuser.h>

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
        pending_.clear();
        log_ = RecordingLog();
    }
    RecordingLog& Log() { return log_; }
    bool CursorHidden() const { return cursorHidden_; }
    int ShownWindows() const {
        int shown = 0;
        for (const auto& entry : windows_) shown += entry.second.visible ? 1 : 0;
        return shown;
    }
    void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }

    void MovePointer(int x, int y) {
        pointer_ = POINT{x, y};
        QueueAtPointer(WM_MOUSEMOVE, 0);
    }
    void PressButton(int button) {
        if (button == 1) QueueAtPointer(WM_LBUTTONDOWN, kLeftButtonFlag);
        if (button == 3) QueueAtPointer(WM_RBUTTONDOWN, kRightButtonFlag);
    }
    void PressAltF4() {
        if (HWND top = TopWindowAt(nullptr))
            pending_.push_back({top, WM_SYSKEYDOWN, VK_F4, layer::kAltF4KeyData});
    }

    void ScreenSize(int* width, int* height) override {
        *width = width_;
        *height = height_;
    }
    std::uint64_t Now() override { return now_; }
    // Time passes only here: a wait jumps straight to its deadline.
    bool Wait(int timeoutMs, int wakeFd) override {
        pollfd wake = {wakeFd, POLLIN, 0};
        if (!pending_.empty() || (wakeFd >= 0 && poll(&wake, 1, 0) > 0)) return true;
        if (timeoutMs < 0) return false;
        now_ += static_cast<std::uint64_t>(timeoutMs);
        return true;
    }
    void ReadInput(std::vector<layer::InputMessage>* input) override {
        input->insert(input->end(), pending_.begin(), pending_.end());
        pending_.clear();
    }

    bool CreateNativeWindow(HWND hwnd, const RECT& rect, COLORREF, bool) override {
        windows_[hwnd] = Shown{rect, false};
        return true;
    }
    // A window appearing under the pointer gets one WM_MOUSEMOVE, as in Windows.
    void ShowNativeWindow(HWND hwnd, bool show) override {
        windows_[hwnd].visible = show;
        if (show && Contains(windows_[hwnd].rect, pointer_)) QueueAtPointer(WM_MOUSEMOVE, 0);
    }
    void DestroyNativeWindow(HWND hwnd) override { windows_.erase(hwnd); }
    void SetCursorHidden(bool hidden) override { cursorHidden_ = hidden; }
    void PrepareFont(HFONT font, const layer::FontRequest& request) override {
        RecordedFont recorded;
        static_cast<layer::FontRequest&>(recorded) = request;
        recorded.font = font;
        log_.fonts.push_back(recorded);
    }
    void ForgetFont(HFONT font) override { log_.forgottenFonts.push_back(font); }
    void DrawText(HWND, HFONT font, const layer::FontRequest&, int x, int y,
                  const std::string& cp932, COLORREF text, COLORREF back) override {
        log_.texts.push_back(RecordedText{x, y, cp932, font, text, back, static_cast<DWORD>(now_)});
    }
    void DrawLine(HWND, POINT from, POINT to, COLORREF color) override {
        log_.lines.push_back(RecordedLine{from, to, color});
    }
    void FinishDrawing() override { ++log_.finishedDrawings; }

private:
    struct Shown {
        RECT rect;
        bool visible;
    };

    static bool Contains(const RECT& rect, POINT point) {
        return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
               point.y < rect.bottom;
    }

    // The newest shown window under the point (any shown one for null) is on top.
    HWND TopWindowAt(const POINT* point, RECT* rect = nullptr) const {
        HWND top = nullptr;
        for (const auto& [hwnd, window] : windows_) {
            if (!window.visible || (point && !Contains(window.rect, *point))) continue;
            top = hwnd;
            if (rect) *rect = window.rect;
        }
        return top;
    }

    void QueueAtPointer(UINT message, WPARAM wParam) {
        RECT rect = {};
        if (HWND target = TopWindowAt(&pointer_, &rect))
            pending_.push_back({target, message, wParam,
                                PointParam(pointer_.x - rect.left, pointer_.y - rect.top)});
    }

    int width_ = 0;
    int height_ = 0;
    std::uint64_t now_ = 0;
    POINT pointer_ = {0, 0};
    bool cursorHidden_ = false;
    std::map<HWND, Shown> windows_;
    std::vector<layer::InputMessage> pending_;
    RecordingLog log_;
};

RecordingScreen screen;

}  // namespace

namespace layer {

DisplayBackend& CurrentDisplay() {
    return screen;
}

}  // namespace layer

void RecordingDisplay::Begin(int width, int height) {
    screen.Reset(width, height);
}

RecordingLog& RecordingDisplay::Log() {
    return screen.Log();
}

DWORD RecordingDisplay::Now() {
    return static_cast<DWORD>(screen.Now());
}

void RecordingDisplay::Advance(DWORD milliseconds) {
    screen.Advance(milliseconds);
}

void RecordingDisplay::MovePointer(int x, int y) {
    screen.MovePointer(x, y);
}

void RecordingDisplay::PressButton(int button) {
    screen.PressButton(button);
}

void RecordingDisplay::PressAltF4() {
    screen.PressAltF4();
}

bool RecordingDisplay::CursorHidden() {
    return screen.CursorHidden();
}

int RecordingDisplay::ShownWindows() {
    return screen.ShownWindows();
}
