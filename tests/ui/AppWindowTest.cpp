// The window framework on the recording display: routing, creation values,
// fonts and the base handling of WM_DESTROY.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/recording/recording.h"
#include "ui/AppWindow.h"

namespace {

class NotingWindow : public AppWindow {
public:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_CREATE) {
            const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (create->lpCreateParams)
                record = *static_cast<const CREATESTRUCTA*>(create->lpCreateParams);
        }
        return AppWindow::HandleMessage(window, message, wParam, lParam);
    }
    std::vector<UINT> seen;
    CREATESTRUCTA record = {};
};

class AppWindowTest : public ::testing::Test {
protected:
    void SetUp() override { RecordingDisplay::Begin(1024, 768); }
    void TearDown() override { RecordingDisplay::End(); }

    static HWND Make(NotingWindow& object, const char* className, int x = 0, int width = 100) {
        object.Setup(GetModuleHandleA(nullptr), nullptr, className, 0);
        object.RegisterWindowClass(102, 102, 0, 0, nullptr);
        return object.Create(0, WS_POPUP, x, 0, width, 100, nullptr, SW_SHOW);
    }

    static bool ReachedDefault(UINT message) {
        for (const RecordedMessage& m : RecordingDisplay::Log().defaultMessages)
            if (m.message == message) return true;
        return false;
    }
};

TEST_F(AppWindowTest, MessagesBeforeCreateGoToTheDefaultProcedure) {
    NotingWindow object;
    ASSERT_NE(Make(object, "Routed"), nullptr);
    ASSERT_FALSE(object.seen.empty());
    EXPECT_EQ(object.seen.front(), static_cast<UINT>(WM_CREATE));
    EXPECT_TRUE(ReachedDefault(WM_NCCREATE));
    for (UINT message : object.seen)
        EXPECT_NE(message, static_cast<UINT>(WM_NCCREATE));
}

TEST_F(AppWindowTest, ASecondWindowReachesTheFirstObject) {
    NotingWindow first;
    ASSERT_NE(Make(first, "First"), nullptr);
    std::size_t before = first.seen.size();
    HWND second = CreateWindowExA(0, "First", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(second, nullptr);
    // Once routed, even the messages before WM_CREATE reach the object.
    std::vector<UINT> secondMessages(first.seen.begin() + static_cast<long>(before),
                                     first.seen.end());
    EXPECT_NE(std::find(secondMessages.begin(), secondMessages.end(), WM_NCCREATE),
              secondMessages.end());
    EXPECT_NE(std::find(secondMessages.begin(), secondMessages.end(), WM_CREATE),
              secondMessages.end());
}

TEST_F(AppWindowTest, NegativePositionAndSizeBecomeDefault) {
    NotingWindow object;
    ASSERT_NE(Make(object, "Defaults", -1, -5), nullptr);
    EXPECT_EQ(object.record.x, CW_USEDEFAULT);
    EXPECT_EQ(object.record.cx, CW_USEDEFAULT);
    EXPECT_EQ(object.record.y, 0);
    EXPECT_EQ(object.record.cy, 100);
    EXPECT_EQ(object.record.lpCreateParams, &object);
}

TEST_F(AppWindowTest, TextFontDefaults) {
    NotingWindow object;
    HFONT font = object.CreateTextFont(0, 0, FALSE, FALSE, FALSE, nullptr);
    ASSERT_EQ(RecordingDisplay::Log().fonts.size(), 1u);
    const RecordedFont& asked = RecordingDisplay::Log().fonts[0];
    EXPECT_EQ(object.Font(), font);
    EXPECT_EQ(asked.height, 10);
    EXPECT_EQ(asked.weight, 400);
    EXPECT_EQ(asked.charSet, static_cast<DWORD>(SHIFTJIS_CHARSET));
    EXPECT_EQ(asked.outPrecision, static_cast<DWORD>(OUT_TT_PRECIS));
    EXPECT_EQ(asked.pitchAndFamily, static_cast<DWORD>(FIXED_PITCH | FF_DONTCARE));
    EXPECT_EQ(asked.face, "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");  // ＭＳ ゴシック

    object.CreateTextFont(30, 7, FALSE, FALSE, FALSE, "MS UI GOSHIC");
    const RecordedFont& saver = RecordingDisplay::Log().fonts[1];
    EXPECT_EQ(saver.height, 30);
    EXPECT_EQ(saver.weight, 700);
    EXPECT_EQ(saver.italic, 0u);
    EXPECT_EQ(saver.face, "MS UI GOSHIC");
}

TEST_F(AppWindowTest, FontIsDeletedWithTheObjectAndOnlyThen) {
    HFONT font;
    {
        NotingWindow withFont;
        font = withFont.CreateTextFont(30, 1, FALSE, FALSE, FALSE, "MS UI GOSHIC");
    }
    { NotingWindow withoutFont; }
    const std::vector<HGDIOBJ>& deleted = RecordingDisplay::Log().deletedObjects;
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0], static_cast<HGDIOBJ>(font));
}

TEST_F(AppWindowTest, DestroyPostsQuitAndStillReachesTheDefaultProcedure) {
    NotingWindow object;
    HWND window = Make(object, "Quitting");
    ASSERT_NE(window, nullptr);
    DestroyWindow(window);
    EXPECT_EQ(RecordingDisplay::Log().quitCodes, std::vector<int>{0});
    EXPECT_TRUE(ReachedDefault(WM_DESTROY));
    EXPECT_EQ(object.RunMessageLoop(), 0);
}

TEST_F(AppWindowTest, SetupCutsTextsAndZeroInstanceDoesNothing) {
    NotingWindow object;
    std::string longTitle(300, 't');
    object.Setup(nullptr, longTitle.c_str(), "Cut", 0);
    EXPECT_EQ(std::string(object.Title()), std::string(255, 't'));
    EXPECT_EQ(object.RegisterWindowClass(102, 102, 0, 0, nullptr), 0);
    EXPECT_EQ(object.Create(0, WS_POPUP, 0, 0, 10, 10, nullptr, SW_SHOW), nullptr);
    EXPECT_EQ(object.RunMessageLoop(), 0);

    NotingWindow untitled;
    untitled.Setup(GetModuleHandleA(nullptr), nullptr, "Untitled", 0);
    EXPECT_STREQ(untitled.Title(), "");
    EXPECT_STREQ(untitled.ClassName(), "Untitled");
}

}  // namespace
