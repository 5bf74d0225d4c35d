// The layer's screen for the native test program, in place of x11/: it records what is drawn and
// runs a virtual clock (a wait jumps to the next deadline or queued input, so loops never sleep).
#pragma once

#include <poll.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>

#include <winuser.h>

#include "platform/posix/backend/display.h"

struct RecordedText {
    int y;
    std::string bytes;  // code page 932
    HFONT font;
    COLORREF textColor, backColor;
    std::uint64_t time;
};
using RecordedLine = std::array<long, 5>;  // from x, y to x, y (left out, as in Windows), colour

class RecordingDisplay : public layer::DisplayBackend {
public:
    std::vector<RecordedText> texts;
    std::vector<RecordedLine> lines;
    std::map<HFONT, layer::FontRequest> fonts;  // prepared
    std::vector<HFONT> forgottenFonts;
    std::map<HWND, bool> shown;  // native windows, and whether each is shown
    bool cursorHidden = false;
    std::uint64_t now = 0;             // a test adds the time a blocking call takes
    LPARAM pointer = 384 << 16 | 512;  // y << 16 | x, where presses and appearing windows get it

    // Input for the newest shown window (lost if due now with none), by default at the pointer.
    void Queue(std::uint64_t at, UINT message, WPARAM wParam = 0, LPARAM lParam = -1) {
        if (at > now || Top())
            pending_.push_back(
                {std::max(at, now), {{}, message, wParam, lParam < 0 ? pointer : lParam}});
    }
    void ShowNativeWindow(HWND hwnd, bool show) override {  // appearing under the pointer moves it
        if ((shown[hwnd] = show)) Queue(now, WM_MOUSEMOVE);
    }
    // Runs the probe on the test's thread once the clock has reached the time, between messages.
    void At(std::uint64_t at, std::function<void()> probe) {
        probes_.emplace_back(at, std::move(probe));
    }
    // False when nothing could end the wait: the test's loop would hang.
    bool Wait(int timeoutMs, int wakeFd) override {
        pollfd wake = {wakeFd, POLLIN, 0};
        if (wakeFd >= 0 && poll(&wake, 1, 0) > 0) return true;
        std::uint64_t until = timeoutMs >= 0 ? now + timeoutMs : UINT64_MAX;
        for (auto& input : pending_)
            until = std::min(until, input.first);
        for (auto& probe : probes_)
            until = std::min(until, probe.first);
        now = std::max(now, until);
        RunDueProbes();
        return until != UINT64_MAX;
    }
    void ReadInput(std::vector<layer::InputMessage>* input) override {
        auto due = std::stable_partition(pending_.begin(), pending_.end(),
                                         [this](auto& i) { return i.first > now; });
        for (HWND top = Top(); due != pending_.end(); due = pending_.erase(due))
            if ((due->second.hwnd = top)) input->push_back(due->second);
    }
    bool CreateNativeWindow(HWND hwnd, const RECT&, COLORREF, bool) override {
        return shown.emplace(hwnd, false).second;
    }
    void DestroyNativeWindow(HWND hwnd) override { shown.erase(hwnd); }
    void SetCursorHidden(bool hidden) override { cursorHidden = hidden; }
    void PrepareFont(HFONT font, const layer::FontRequest& asked) override { fonts[font] = asked; }
    void ForgetFont(HFONT font) override { forgottenFonts.push_back(font); }
    void DrawText(HWND, HFONT font, const layer::FontRequest&, int, int y, std::string_view cp932,
                  COLORREF text, COLORREF back) override {
        texts.push_back({y, std::string(cp932), font, text, back, now});
    }
    void DrawLine(HWND, POINT from, POINT to, COLORREF color) override {
        lines.push_back({from.x, from.y, to.x, to.y, color});
    }
    void ScreenSize(int* width, int* height) override { *width = 1024, *height = 768; }
    std::uint64_t Now() override { return now; }
    void FinishDrawing() override {}

private:
    void RunDueProbes() {
        auto due = std::stable_partition(probes_.begin(), probes_.end(),
                                         [this](auto& p) { return p.first > now; });
        std::vector<std::function<void()>> run;
        for (auto p = due; p != probes_.end(); ++p)
            run.push_back(std::move(p->second));
        probes_.erase(due, probes_.end());
        for (auto& probe : run)
            probe();
    }
    HWND Top() const {
        auto top = std::find_if(shown.rbegin(), shown.rend(), [](auto& w) { return w.second; });
        return top != shown.rend() ? top->first : nullptr;
    }
    std::vector<std::pair<std::uint64_t, layer::InputMessage>> pending_;
    std::vector<std::pair<std::uint64_t, std::function<void()>>> probes_;
};

RecordingDisplay& Recording();  // the screen of the test process
