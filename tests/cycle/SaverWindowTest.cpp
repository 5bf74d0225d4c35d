// The saver window's own rules on the recording display: typing, the wipe, the
// wipe directions, the mouse rule and the close path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pop3/MailClient.h"
#include "tests/cycle/SaverRun.h"

namespace {

class SaverWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Settings without a host: the window runs but starts no timer, so the
        // test sends every tick itself.
        run_.WriteSettings("", 110, "", "");
        window_ = run_.Start();
        ASSERT_NE(window_, nullptr);
        RecordingDisplay::ClearLog();
    }

    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        SendMessageTo(message, wParam, lParam);
    }
    void SendMessageTo(UINT message, WPARAM wParam, LPARAM lParam) {
        run_.Saver().HandleMessage(window_, message, wParam, lParam);
    }
    void DrawTick() { Send(WM_TIMER, kDrawTimer); }
    static LPARAM At(int x, int y) { return static_cast<LPARAM>((y << 16) | x); }

    bool StepTimerRestarted() const {
        for (const RecordedTimer& t : RecordingDisplay::Log().timers)
            if (t.set && t.id == kStepTimer && t.elapse == 100) return true;
        return false;
    }

    // Wipe ticks until the state becomes 11; returns the tick count.
    int Wipe(int direction) {
        g_cycle.state = 9;
        g_cycle.messageCount = 0;
        g_cycle.messageIndex = 0;
        g_cycle.wipeDirection = direction;
        g_cycle.wipePosition = 0;
        int ticks = 0;
        while (g_cycle.state == 9 && ticks < 5000) {
            DrawTick();
            ++ticks;
        }
        return ticks;
    }

    SaverRun run_;
    HWND window_ = nullptr;
};

TEST_F(SaverWindowTest, TypesOneByteper10msTickAndRestartsTheStep) {
    g_cycle.state = 2;
    char body[] = "abcdefghijkl";
    ComposeDisplayLine("", body, "");
    ASSERT_EQ(g_cycle.lineLength, 12);
    for (int tick = 1; tick <= 11; ++tick)
        DrawTick();
    EXPECT_FALSE(StepTimerRestarted());
    DrawTick();
    EXPECT_TRUE(StepTimerRestarted());
    EXPECT_EQ(g_cycle.displayLine[0], '\0');
    EXPECT_EQ(g_cycle.typedCount, 0);

    const std::vector<RecordedText>& texts = RecordingDisplay::Log().texts;
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0].bytes, "a");
    EXPECT_EQ(texts[11].bytes, "abcdefghijkl");
    EXPECT_EQ(texts[11].y, 60);
    EXPECT_EQ(texts[11].x, 0);
    EXPECT_EQ(texts[11].textColor, RGB(255, 255, 255));
    EXPECT_EQ(texts[11].backColor, RGB(0, 0, 0));
    EXPECT_EQ(texts[11].font, run_.Saver().Font());
    // Nothing to type and no wipe due: a tick draws nothing.
    DrawTick();
    EXPECT_EQ(RecordingDisplay::Log().texts.size(), 12u);
    EXPECT_EQ(RecordingDisplay::Log().openDCs, 0);
}

TEST_F(SaverWindowTest, RowsFollowStateAndMessageIndex) {
    g_cycle.state = 9;
    g_cycle.messageIndex = 2;
    g_cycle.messageCount = 3;
    char body[] = "s";
    ComposeDisplayLine("Mail ", body, " ");
    for (int i = 0; i < g_cycle.lineLength; ++i)
        DrawTick();
    ASSERT_FALSE(RecordingDisplay::Log().texts.empty());
    EXPECT_EQ(RecordingDisplay::Log().texts.back().y, 270 + 30 * 2);
    EXPECT_EQ(RecordingDisplay::Log().texts.back().bytes, "Mail s ");
}

TEST_F(SaverWindowTest, WipeDownwardsDrawsEveryRowThenEnds) {
    EXPECT_EQ(Wipe(0), 770);
    const std::vector<RecordedLine>& lines = RecordingDisplay::Log().lines;
    ASSERT_EQ(lines.size(), 769u);
    for (int y = 0; y <= 768; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(lines[y].from.x, 0);
        EXPECT_EQ(lines[y].from.y, y);
        EXPECT_EQ(lines[y].to.x, 1024);
        EXPECT_EQ(lines[y].to.y, y);
    }
    EXPECT_EQ(g_cycle.state, 11);
}

TEST_F(SaverWindowTest, WipeRightwardsDrawsEveryColumnThenEnds) {
    EXPECT_EQ(Wipe(2), 1026);
    const std::vector<RecordedLine>& lines = RecordingDisplay::Log().lines;
    ASSERT_EQ(lines.size(), 1025u);
    EXPECT_EQ(lines.front().from.x, 0);
    EXPECT_EQ(lines.front().to.y, 768);
    EXPECT_EQ(lines.back().from.x, 1024);
}

TEST_F(SaverWindowTest, WipeUpwardsAndLeftwardsStartAtTheFarEdge) {
    EXPECT_EQ(Wipe(1), 770);
    EXPECT_EQ(RecordingDisplay::Log().lines.front().from.y, 768);
    EXPECT_EQ(RecordingDisplay::Log().lines.back().from.y, 0);
    RecordingDisplay::ClearLog();
    EXPECT_EQ(Wipe(3), 1026);
    EXPECT_EQ(RecordingDisplay::Log().lines.front().from.x, 1024);
    EXPECT_EQ(RecordingDisplay::Log().lines.back().from.x, 0);
}

TEST_F(SaverWindowTest, LaterChecksUseTheRuntimeRandomDirections) {
    std::vector<int> directions;
    for (int check = 0; check < 10; ++check) {
        g_cycle.state = 0;
        Send(WM_TIMER, kCheckTimer);
        EXPECT_EQ(g_cycle.state, 1);
        EXPECT_EQ(g_cycle.wipePosition, 0);
        directions.push_back(g_cycle.wipeDirection);
    }
    EXPECT_EQ(directions, (std::vector<int>{1, 3, 2, 0, 1, 0, 2, 2, 2, 0}));
}

TEST_F(SaverWindowTest, CheckTickDuringACycleIsIgnored) {
    g_cycle.state = 5;
    g_cycle.wipeDirection = 0;
    unsigned int seed = g_cycle.randomState;
    Send(WM_TIMER, kCheckTimer);
    EXPECT_EQ(g_cycle.state, 5);
    EXPECT_EQ(g_cycle.randomState, seed);
}

TEST_F(SaverWindowTest, StepTicksDuringTheWipeChangeNothing) {
    g_cycle.state = 9;
    g_cycle.messageCount = 2;
    g_cycle.messageIndex = 2;
    Send(WM_TIMER, kStepTimer);
    EXPECT_EQ(g_cycle.state, 9);
    EXPECT_EQ(g_cycle.messageIndex, 2);
    EXPECT_TRUE(RecordingDisplay::Log().timers.empty());
}

TEST_F(SaverWindowTest, MouseMustLeaveBothColumnAndRow) {
    Send(WM_MOUSEMOVE, 0, At(500, 400));  // the move sent when the window appears
    Send(WM_MOUSEMOVE, 0, At(620, 400));  // horizontal only
    Send(WM_MOUSEMOVE, 0, At(500, 100));  // vertical only
    EXPECT_TRUE(RecordingDisplay::Log().quitCodes.empty());
    Send(WM_MOUSEMOVE, 0, At(501, 401));  // diagonal
    EXPECT_EQ(RecordingDisplay::Log().quitCodes, std::vector<int>{0});
}

TEST_F(SaverWindowTest, ZeroCoordinateCountsAsNotRecorded) {
    Send(WM_MOUSEMOVE, 0, At(0, 300));
    EXPECT_EQ(g_firstMouse.x, 0);
    Send(WM_MOUSEMOVE, 0, At(40, 500));  // records x = 40; y differs but x is new
    EXPECT_EQ(g_firstMouse.x, 40);
    EXPECT_TRUE(RecordingDisplay::Log().quitCodes.empty());
    Send(WM_MOUSEMOVE, 0, At(41, 301));
    EXPECT_EQ(RecordingDisplay::Log().quitCodes.size(), 1u);
}

TEST_F(SaverWindowTest, ClicksEndTheSaverKeysDoNot) {
    Send(WM_KEYDOWN, 'A');
    EXPECT_TRUE(RecordingDisplay::Log().quitCodes.empty());
    Send(WM_LBUTTONDOWN);
    EXPECT_EQ(RecordingDisplay::Log().quitCodes.size(), 1u);
    Send(WM_RBUTTONDOWN);
    EXPECT_EQ(RecordingDisplay::Log().quitCodes.size(), 2u);
}

TEST_F(SaverWindowTest, ClosePathRunsTwiceHarmlessly) {
    EXPECT_EQ(RecordingDisplay::CursorCount(), -1);
    // WM_CLOSE runs the close path; its default handling destroys the window,
    // whose WM_DESTROY runs it again.
    Send(WM_CLOSE);
    EXPECT_EQ(RecordingDisplay::CursorCount(), 1);
    EXPECT_FALSE(RecordingDisplay::CursorHidden());
    EXPECT_FALSE(g_mailClient.IsOpen());
    int kills = 0;
    for (const RecordedTimer& t : RecordingDisplay::Log().timers)
        kills += t.set ? 0 : 1;
    EXPECT_EQ(kills, 6);
    EXPECT_GE(RecordingDisplay::Log().quitCodes.size(), 2u);
    for (int code : RecordingDisplay::Log().quitCodes)
        EXPECT_EQ(code, 0);
}

}  // namespace
