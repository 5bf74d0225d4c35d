// The saver (/s) on the recording screen against the scripted POP3 peer and once Dovecot.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "app/Startup.h"
#include "cycle/CheckCycle.h"
#include "settings/Settings.h"
#include "tests/recording/recording.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/TempFolder.h"
#include "ui/SaverWindow.h"

// Each test as in a process of its own: a fresh screen and clock, the cycle and the pointer
// as at start-up.
class Saver : public ::testing::Test {
protected:
    void SetUp() override {
        Recording() = RecordingDisplay();
        g_cycle = CheckCycleState();
        g_firstMouse = FirstMousePosition();
    }
};
class DovecotSaver : public Saver {};

// Runs the saver on these settings (no CHECK: no key) in a fresh folder until queued input
// ends it.
static int RunSaver(std::uint64_t pressAt, const char* host, int port, const char* user,
                    const char* password, std::optional<int> check = 1, const char* tls = nullptr) {
    if (pressAt) Recording().Queue(pressAt, WM_LBUTTONDOWN, 1);
    TempFolder folder;
    folder.Put(kSettingsFile, "");
    g_settings.Bind(kSettingsFile, kSettingsSection);
    g_settings.WriteText("HOST", host);
    g_settings.WriteInt("PORT", port);
    g_settings.WriteText("USER", user);
    g_settings.WritePassword(password);
    if (check) g_settings.WriteInt("CHECK", *check);
    if (tls) g_settings.WriteText("TLS", tls);
    return RunLetterglass(GetModuleHandleA(nullptr), "/s", SW_SHOW);
}

// The complete lines typed with their rows ("60 Client > CONNECT \n"); a line starts alone.
static std::string Typed() {
    std::string typed, line;
    for (const RecordedText& text : Recording().texts) {
        if (text.bytes.size() == 1) typed += line;
        line = std::to_string(text.y) + " " + text.bytes + "\n";
    }
    return typed + line;
}

// The login and STAT lines typed; with no greeting, as when refused, every reply is empty.
static std::string Login(const char* user, const std::string& password, std::string greeting = "") {
    const char* ok[] = {"", "+OK", "+OK Logged in."};
    return "60 Client > CONNECT \n90 Server > " + greeting + " \n120 Client > USER " + user +
           "\n150 Server > " + ok[!greeting.empty()] + " \n180 Client > PASS " +
           std::string(password.size(), '*') + "\n210 Server > " + ok[2 * !greeting.empty()] +
           " \n240 Client > STAT  \n";
}
const std::string kLogin = Login("alice", "hello", "+OK ready");
const std::string kRefused = Login("alice", "pw") + "270 Server >  \n";

static void ScriptLogin(ScriptedPop3Peer& peer, const std::string& stat) {
    peer.Send("+OK ready\r\nsecond line\r\n").AwaitLine().Send("+OK\r\n").AwaitLine();
    peer.Send("+OK Logged in.\r\n").AwaitLine().Send(stat);
}

// Whether the peer has seen the client close, given a moment to notice.
static bool SeesClose(const ScriptedPop3Peer& peer) {
    for (int wait = 0; wait < 100 && !peer.ClientClosed(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return peer.ClientClosed();
}

// White on black in a 30 pixel font; the wipe after the last line closes the connection, before
// the next check and while the saver still runs.
TEST_F(Saver, EmptyMailboxTypesTheExchangeAndClosesTheConnection) {
    ScriptedPop3Peer peer;
    ScriptLogin(peer, "+OK 0 0\r\n");
    ASSERT_TRUE(peer.Start());
    bool closedBeforeTheNextCheck = false;
    Recording().At(
        19500, [&] { closedBeforeTheNextCheck = !Recording().lines.empty() && SeesClose(peer); });
    EXPECT_EQ(RunSaver(19600, "127.0.0.1", peer.Port(), "alice", "hello"), 0);
    EXPECT_TRUE(closedBeforeTheNextCheck);
    EXPECT_EQ(Typed(), kLogin + "270 Server > +OK 0 0 \n");
    const RecordedText& last = Recording().texts.back();
    EXPECT_EQ(Recording().fonts.at(last.font).height, 30);
    EXPECT_TRUE(last.textColor == RGB(255, 255, 255) && last.backColor == RGB(0, 0, 0));
    EXPECT_EQ(peer.Finish(), "USER alice\r\nPASS hello\r\nSTAT\r\n");
    EXPECT_TRUE(peer.ClientClosed());
}

// A byte per 10 ms tick, a line's first 110 ms after; a click in the wipe ends it, cursor shown.
TEST_F(Saver, MessagesShowDecodedSubjectsAByteAtATimeUntilAClick) {
    ScriptedPop3Peer peer;
    ScriptLogin(peer, "+OK 2 300\r\n");
    peer.AwaitLine().Send("+OK 1 5\r\n").AwaitLine().Send("+OK\r\nSubject: plain1\r\n\r\n.\r\n");
    peer.AwaitLine().Send("+OK 2 5\r\n").AwaitLine();
    peer.Send("+OK\r\nSubject: =?ISO-2022-JP?B?GyRCJCIbKEI=?= x\r\n\r\nbody\r\n.\r\n");
    ASSERT_TRUE(peer.Start());
    EXPECT_EQ(RunSaver(5000, "127.0.0.1", peer.Port(), "alice", "hello"), 0);
    EXPECT_EQ(Typed(), kLogin + "300 Mail plain1 \n330 Mail \x82\xa0 x \n");
    const std::vector<RecordedText>& texts = Recording().texts;
    EXPECT_EQ(texts.front().time, 100u);
    for (size_t i = 1; i < texts.size(); ++i) {
        const bool next = texts[i].bytes.size() == texts[i - 1].bytes.size() + 1;
        EXPECT_EQ(texts[i].time - texts[i - 1].time, next ? 10u : 110u) << texts[i].bytes;
    }
    EXPECT_FALSE(Recording().lines.empty() || Recording().cursorHidden) << "wiping, cursor shown";
    EXPECT_EQ(ShowCursor(FALSE), -1) << "hidden once while shown, shown once again";
    ShowCursor(TRUE);
    EXPECT_EQ(peer.Finish(),
              "USER alice\r\nPASS hello\r\nSTAT\r\nLIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n");
    EXPECT_TRUE(peer.ClientClosed());
}

// Every step typed, checks CHECK x 20 s apart, wipes to the far edge as rand picks (v ^ < >).
TEST_F(Saver, RefusedChecksWalkEveryStepAndWipeInTheRandomDirections) {
    Recording().Queue(230000, WM_RBUTTONDOWN, 2);
    EXPECT_EQ(RunSaver(0, "127.0.0.1", UnusedLoopbackPort(), "alice", "pw", 3), 0);
    EXPECT_EQ(Typed(), kRefused + kRefused + kRefused + kRefused);
    std::uint64_t started = 0;  // each CONNECT line's first byte, 0 to 110 ms after its check
    for (const RecordedText& text : Recording().texts)
        started += text.y == 60 && text.bytes.size() == 1 && text.time - 60000 * started <= 110;
    EXPECT_EQ(started, 4u);
    std::vector<RecordedLine> wipes;
    for (long direction : {0, 1, 3, 2})
        for (long n = 0, end = direction < 2 ? 768 : 1024; n <= end; ++n) {
            const long at = direction % 2 ? end - n : n;
            wipes.push_back(direction < 2 ? RecordedLine{0, at, 1024, at, 0}
                                          : RecordedLine{at, 0, at, 768, 0});
        }
    EXPECT_TRUE(Recording().lines == wipes) << Recording().lines.size() << " lines";
}

// Without a CHECK key a check starts every 20 seconds.
TEST_F(Saver, WithoutACheckKeyChecksEveryTwentySeconds) {
    EXPECT_EQ(RunSaver(50000, "127.0.0.1", UnusedLoopbackPort(), "alice", "pw", std::nullopt), 0);
    EXPECT_EQ(Typed(), kRefused + kRefused + kRefused);
}

// A reply line longer than the display line is cut at 4095 bytes; the byte after is never drawn.
TEST_F(Saver, ALongReplyLineIsCutAtTheDisplayLinesEnd) {
    const std::string greeting = "+OK " + std::string(4082, 'x');  // 4095 bytes with "Server > "
    ScriptedPop3Peer peer;
    peer.Send(greeting + "yz\r\n").AwaitLine().Hangup();
    ASSERT_TRUE(peer.Start());
    EXPECT_EQ(RunSaver(60000, "127.0.0.1", peer.Port(), "alice", "pw"), 0);
    const std::string typed = Typed();
    EXPECT_EQ(typed.substr(0, typed.find("\n120 ")),
              "60 Client > CONNECT \n90 Server > " + greeting);
}

// With the TLS key set, a server without TLS is sent no command.
TEST_F(Saver, SecureKeyRefusesAPlainServer) {
    ScriptedPop3Peer peer;
    peer.Send("+OK ready\r\n");
    ASSERT_TRUE(peer.Start());
    EXPECT_EQ(RunSaver(15000, "127.0.0.1", peer.Port(), "alice", "pw", 1, "1"), 0);
    EXPECT_EQ(Typed(), kRefused);
    EXPECT_EQ(peer.Finish().find("USER"), std::string::npos);
}

TEST_F(Saver, MissingSettingsDrawNothing) {
    for (const char* host : {"", "127.0.0.1"})
        for (const char* user : {"", "alice"})  // pressed past the first check tick
            EXPECT_EQ(
                RunSaver(Recording().now + 25000, host, 110, user, *host && *user ? "" : "pw"), 0);
    EXPECT_TRUE(Recording().texts.empty() && Recording().lines.empty());
}

// Only a move off both the column and row first seen ends it; a 0 coordinate is not seen yet.
TEST_F(Saver, EndsWhenThePointerLeavesBothItsColumnAndItsRow) {
    Recording().pointer = 300 << 16;  // where the window appears
    const LPARAM moves[] = {500 << 16 | 40, 300 << 16 | 90, 650 << 16 | 40, 301 << 16 | 41};
    for (int n = 0; n < 4; ++n)
        Recording().Queue(100 * n + 100, WM_MOUSEMOVE, 0, moves[n]);
    EXPECT_EQ(RunSaver(0, "", 110, "", ""), 0);
    EXPECT_EQ(Recording().now, 400u) << "ended by the last move";
}

// Real replies; subjects in ISO-2022-JP and UTF-8 (B and Q), folded ones as their senders
// wrote them (expected bytes: Python's email.header and cp932 codec); a large message's
// header only; the fixture sees no change.
TEST_F(DovecotSaver, ReaderMailboxShowsEveryDecodedSubject) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    EXPECT_EQ(RunSaver(19000, server.host.c_str(), server.port, "reader", kDovecotPassword), 0);
    EXPECT_EQ(Typed(), Login("reader", kDovecotPassword, "+OK Dovecot (Debian) ready.") +
                           "300 Mail Quarterly report is ready \n"
                           "330 Mail \x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9 \n"
                           "360 Mail Re: \x97\x88\x8f\x54\x82\xcc\x97\x5c\x92\xe8\x82\xc9\x82\xc2"
                           "\x82\xa2\x82\xc4  (draft 2) \n"
                           "390 Mail Last line of the header \n420 Mail  \n"
                           "450 Mail \x89\xef\x8b\x63\x8e\xba\x82\xcc\x97\x5c\x96\xf1: "
                           "\x83\x65\x83\x58\x83\x67 \n"
                           "480 Mail Fwd: \x96\x7b\x93\xfa\x82\xcc\x97\x5c\x92\xe8 (Q) \n"
                           "510 Mail Folded subject line that continues here \n"
                           "540 Mail Large attachment \n");
}
