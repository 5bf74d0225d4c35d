// The message queue and window timers of the Linux layer, on the recording
// display's virtual clock.
#include <signal.h>

#include "tests/posix/recording_fixture.h"

namespace {

class MessageQueueTest : public RecordingTest {};

const UINT kAppMessage = 0x8000;  // WM_APP

MSG Take() {
    MSG msg = {};
    GetMessageA(&msg, nullptr, 0, 0);
    return msg;
}

TEST_F(MessageQueueTest, PostedThenQuitThenInputThenTimers) {
    HWND hwnd = CreateNotingWindow();
    ShowWindow(hwnd, SW_SHOW);  // under the pointer: one WM_MOUSEMOVE as input
    SetTimer(hwnd, 3, 10, nullptr);
    RecordingDisplay::Advance(50);
    PostMessageA(hwnd, kAppMessage, 1, 0);
    PostMessageA(hwnd, kAppMessage, 2, 0);
    PostQuitMessage(7);

    MSG msg = Take();
    EXPECT_EQ(msg.message, kAppMessage);
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(Take().wParam, 2u);

    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);

    msg = Take();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSEMOVE));
    msg = Take();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(RecordingDisplay::Log().quitCodes, std::vector<int>{7});
}

// Ticks that fall due while the program is blocked come as one WM_TIMER; the
// next keeps the timer's cadence.
TEST_F(MessageQueueTest, OverdueTicksCoalesce) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 3, 10, nullptr);
    RecordingDisplay::Advance(95);  // nine ticks missed during a network wait
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.time, 95u);

    msg = Take();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.time, 100u) << "the second tick waits for the next deadline";
}

// A negative check interval becomes a huge period: like Windows, it is lowered
// to USER_TIMER_MAXIMUM.
TEST_F(MessageQueueTest, HugePeriodsAreLoweredToTheMaximum) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 2, static_cast<UINT>(-3 * 20000), nullptr);
    MSG msg = Take();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.time, 0x7FFFFFFFu);
}

TEST_F(MessageQueueTest, KillTimerDropsItsPendingTick) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 1, 10, nullptr);
    RecordingDisplay::Advance(30);
    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 1));
    MSG msg = {};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, SetTimerAgainRestartsWithTheNewPeriod) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 1, 100, nullptr);
    RecordingDisplay::Advance(60);
    EXPECT_EQ(SetTimer(hwnd, 1, 100, nullptr), 1u);
    EXPECT_EQ(Take().time, 160u);
    SetTimer(hwnd, 1, 30, nullptr);
    EXPECT_EQ(Take().time, 190u);
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x1234), 1, 10, nullptr), 0u) << "no such window";
}

// The saver's own timers: a 10 ms draw timer and a 100 ms step timer.
TEST_F(MessageQueueTest, TimersOfDifferentPeriodsInterleave) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 3, 10, nullptr);
    RecordingDisplay::Advance(5);
    SetTimer(hwnd, 1, 100, nullptr);
    int steps = 0;
    int draws = 0;
    while (steps + draws < 109) {
        MSG msg = Take();
        ASSERT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
        (msg.wParam == 1 ? steps : draws) += 1;
    }
    EXPECT_EQ(RecordingDisplay::Now(), 1000u);
    EXPECT_EQ(steps, 9);    // 105, 205, ... 905
    EXPECT_EQ(draws, 100);  // 10, 20, ... 1000
}

TEST_F(MessageQueueTest, TimerProcedureRunsOnDispatch) {
    static int calls = 0;
    calls = 0;
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 5, 20, [](HWND, UINT message, UINT_PTR id, DWORD) {
        if (message == WM_TIMER && id == 5) ++calls;
    });
    MSG msg = Take();
    DispatchMessageA(&msg);
    EXPECT_EQ(calls, 1);
    for (const SeenMessage& seen : Seen())
        EXPECT_NE(seen.message, static_cast<UINT>(WM_TIMER));
}

TEST_F(MessageQueueTest, DestroyingTheWindowStopsItsTimers) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 1, 10, nullptr);
    DestroyWindow(hwnd);
    RecordingDisplay::Advance(50);
    MSG msg = {};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitIsDeliveredOnceWithTheLatestCode) {
    CreateNotingWindow();
    PostQuitMessage(3);
    PostQuitMessage(0);
    MSG msg = {};
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(RecordingDisplay::Log().quitCodes, (std::vector<int>{3, 0}));
}

TEST_F(MessageQueueTest, TimerCallsAreRecorded) {
    HWND hwnd = CreateNotingWindow();
    SetTimer(hwnd, 2, 60000, nullptr);
    RecordingDisplay::Advance(5);
    KillTimer(hwnd, 2);
    const std::vector<RecordedTimer>& timers = RecordingDisplay::Log().timers;
    ASSERT_EQ(timers.size(), 2u);
    EXPECT_TRUE(timers[0].set);
    EXPECT_EQ(timers[0].id, 2u);
    EXPECT_EQ(timers[0].elapse, 60000u);
    EXPECT_FALSE(timers[1].set);
    EXPECT_EQ(timers[1].time, 5u);
}

// A screen locker ends the saver with SIGTERM: the window gets WM_CLOSE, whose
// default handling destroys it.
TEST_F(MessageQueueTest, TerminationSignalBecomesClose) {
    struct sigaction before = {};
    sigaction(SIGTERM, nullptr, &before);
    HWND hwnd = CreateNotingWindow();
    raise(SIGTERM);
    MSG msg = Take();
    EXPECT_EQ(msg.hwnd, hwnd);
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    DispatchMessageA(&msg);
    RECT rect = {};
    EXPECT_FALSE(GetWindowRect(hwnd, &rect)) << "destroyed";

    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler) << "the handler goes with the last window";
}

// With no timer and no input source a test's loop would hang: it fails instead.
TEST_F(MessageQueueTest, WaitingForeverIsRefused) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MSG msg = {};
    EXPECT_DEATH(GetMessageA(&msg, nullptr, 0, 0),
                 "GetMessageA: no message, timer or input can ever arrive");
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "peeking never waits";
}

}  // namespace
