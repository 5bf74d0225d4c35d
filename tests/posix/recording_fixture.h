// A fixture on the recording display with a window class whose procedure
// notes every message it receives.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/recording/recording.h"
#include "platform/win32.h"

struct SeenMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;             // the recording display's clock at delivery
    CREATESTRUCTA create;   // a copy, for WM_NCCREATE and WM_CREATE
    std::string className;  // copied from the CREATESTRUCTA
    std::string windowName;
};

class RecordingTest : public ::testing::Test {
protected:
    static constexpr const char* kClassName = "NotingWindow";
    static constexpr int kScreenWidth = 1024;
    static constexpr int kScreenHeight = 768;

    void SetUp() override {
        RecordingDisplay::Begin(kScreenWidth, kScreenHeight);
        Seen().clear();
        Answers().clear();
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = NotingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
    }
    void TearDown() override { RecordingDisplay::End(); }

    // Messages seen so far, then forgotten.
    static std::vector<SeenMessage>& Seen() {
        static std::vector<SeenMessage> seen;
        return seen;
    }
    // A message answered with this value instead of DefWindowProcA's.
    static std::map<UINT, LRESULT>& Answers() {
        static std::map<UINT, LRESULT> answers;
        return answers;
    }
    static std::vector<UINT> SeenIds() {
        std::vector<UINT> ids;
        for (const SeenMessage& seen : Seen())
            ids.push_back(seen.message);
        return ids;
    }

    static LRESULT CALLBACK NotingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        SeenMessage seen = {hwnd, message, wParam, lParam, RecordingDisplay::Now(), {}, "", ""};
        if (message == WM_NCCREATE || message == WM_CREATE) {
            seen.create = *reinterpret_cast<CREATESTRUCTA*>(lParam);
            seen.className = seen.create.lpszClass ? seen.create.lpszClass : "";
            seen.windowName = seen.create.lpszName ? seen.create.lpszName : "";
        }
        Seen().push_back(seen);
        auto answer = Answers().find(message);
        if (answer != Answers().end()) return answer->second;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    static HWND CreateNotingWindow(int x = 0, int y = 0, int width = kScreenWidth,
                                   int height = kScreenHeight, LPVOID parameter = nullptr) {
        return CreateWindowExA(WS_EX_TOPMOST, kClassName, "", WS_POPUP, x, y, width, height,
                               nullptr, nullptr, GetModuleHandleA(nullptr), parameter);
    }

    // Takes messages with GetMessageA and dispatches them until WM_QUIT or
    // until the virtual clock passes `until`; returns the quit code or -1.
    static int RunLoopUntil(DWORD until) {
        MSG msg;
        while (RecordingDisplay::Now() <= until) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) return static_cast<int>(msg.wParam);
            DispatchMessageA(&msg);
        }
        return -1;
    }
};
