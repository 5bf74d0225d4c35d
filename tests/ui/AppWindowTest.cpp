// The window framework on the recording screen: which object a window's messages reach.
#include <gtest/gtest.h>

#include <memory>

#include "tests/recording/recording.h"
#include "ui/AppWindow.h"

namespace {

struct NotingWindow : AppWindow {
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        firstSeen = firstSeen ? firstSeen : message;
        return AppWindow::HandleMessage(window, message, wParam, lParam);
    }
    UINT firstSeen = 0;
};

// DefWindowProcA answers before WM_CREATE and once the object and its font are gone (destroying).
TEST(AppWindow, RoutesFromCreateUntilTheObjectIsGone) {
    auto object = std::make_unique<NotingWindow>();
    object->Setup(GetModuleHandleA(nullptr), nullptr, "Noting", 0);
    object->RegisterWindowClass(102, 102, 0, 0, nullptr);
    HWND window = object->Create(0, WS_POPUP, 0, 0, 1024, 768, nullptr, SW_SHOW);
    EXPECT_EQ(object->firstSeen, static_cast<UINT>(WM_CREATE));
    HFONT font = object->CreateTextFont(30, 1, FALSE, FALSE, FALSE, "MS UI GOSHIC");
    object.reset();
    EXPECT_EQ(Recording().forgottenFonts, std::vector<HFONT>{font});
    PostMessageA(window, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(Recording().shown.count(window), 0u);
}

}  // namespace
