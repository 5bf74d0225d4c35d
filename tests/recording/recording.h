// The recording screen: the layer's screen without an X server, linked into the
// native test program in place of x11/. It keeps what reached the screen, runs
// a virtual clock (a wait jumps to the next deadline or input, so a whole
// message loop runs without sleeping) and delivers input a test schedules.
#pragma once

#include <poll.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include <winuser.h>

#include "platform/posix/backend/display.h"

struct RecordedText {
    int x, y;
    std::string bytes;  // the code page 932 bytes TextOutA was given
    HFONT font;
    COLORREF textColor, backColor;
    std::uint64_t time;
};

// From x and y, to x and y (the end point is left out, as Windows draws it), colour.
using RecordedLine = std::array<long, 5>;

class RecordingDisplay : public layer::DisplayBackend {
public:
    std::vector<RecordedText> texts;
    std::vector<RecordedLine> lines;
    std::map<HFONT, layer::FontRequest> fonts;  // prepared
    std::vector<HFONT> forgottenFonts;
    bool cursorHidden = false;
    std::map<HWND, bool> shown;  // native windows, and whether each is shown
    std::uint64_t now = 0;       // a test adds the time a blocking call takes

    // Input for the newest shown window (test windows cover the screen), now
    // or at a later time on the clock. The pointer starts at the centre and
    // follows the moves made now. Buttons 1 and 3 are left and right.
    void MovePointer(int x, int y, std::uint64_t at = 0) {
        if (at <= now) pointer_ = LPARAM(y << 16 | x);
        Queue(at, WM_MOUSEMOVE, 0, LPARAM(y << 16 | x));
    }
    void PressButton(int button, std::uint64_t at = 0) {
        if (button == 1 || button == 3)
            Queue(at, button == 1 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, button == 1 ? 1 : 2, pointer_);
    }
    void PressAltF4() { Queue(0, WM_SYSKEYDOWN, VK_F4, layer::kAltF4KeyData); }

    void ScreenSize(int* width, int* height) override { *width = 1024, *height = 768; }
    std::uint64_t Now() override { return now; }
    // False when nothing could end the wait: the test's loop would hang.
    bool Wait(int timeoutMs, int wakeFd) override {
        pollfd wake = {wakeFd, POLLIN, 0};
        if (wakeFd >= 0 && poll(&wake, 1, 0) > 0) return true;
        std::uint64_t until = timeoutMs >= 0 ? now + timeoutMs : UINT64_MAX;
        for (const Input& input : pending_)
            until = std::min(until, input.time);
        if (until == UINT64_MAX) return false;
        now = std::max(now, until);
        return true;
    }
    void ReadInput(std::vector<layer::InputMessage>* input) override {
        auto due = std::stable_partition(pending_.begin(), pending_.end(),
                                         [this](const Input& i) { return i.time > now; });
        for (HWND top = Top(); due != pending_.end(); due = pending_.erase(due))
            if (top) input->push_back({top, due->message, due->wParam, due->lParam});
    }
    bool CreateNativeWindow(HWND hwnd, const RECT&, COLORREF, bool) override {
        return shown.emplace(hwnd, false).second;
    }
    // A window appearing under the pointer gets one WM_MOUSEMOVE, as in Windows.
    void ShowNativeWindow(HWND hwnd, bool show) override {
        if ((shown[hwnd] = show)) Queue(now, WM_MOUSEMOVE, 0, pointer_);
    }
    void DestroyNativeWindow(HWND hwnd) override { shown.erase(hwnd); }
    void SetCursorHidden(bool hidden) override { cursorHidden = hidden; }
    void PrepareFont(HFONT font, const layer::FontRequest& asked) override { fonts[font] = asked; }
    void ForgetFont(HFONT font) override { forgottenFonts.push_back(font); }
    void DrawText(HWND, HFONT font, const layer::FontRequest&, int x, int y,
                  const std::string& cp932, COLORREF text, COLORREF back) override {
        texts.push_back({x, y, cp932, font, text, back, now});
    }
    void DrawLine(HWND, POINT from, POINT to, COLORREF color) override {
        lines.push_back({from.x, from.y, to.x, to.y, color});
    }
    void FinishDrawing() override {}

private:
    struct Input {
        std::uint64_t time;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    HWND Top() const {
        auto top = std::find_if(shown.rbegin(), shown.rend(), [](auto& w) { return w.second; });
        return top != shown.rend() ? top->first : nullptr;
    }
    // Input due now with no window to take it is lost, as on the X server.
    void Queue(std::uint64_t at, UINT message, WPARAM wParam, LPARAM lParam) {
        if (at > now || Top()) pending_.push_back({std::max(at, now), message, wParam, lParam});
    }

    LPARAM pointer_ = 384 << 16 | 512;
    std::vector<Input> pending_;
};

// The screen of the test process.
RecordingDisplay& Recording();
