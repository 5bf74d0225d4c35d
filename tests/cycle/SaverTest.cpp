// The program's /s entry on the recording screen, against the scripted POP3
// peer (and once the throwaway Dovecot): what it types and wipes, and when.
#include <gtest/gtest.h>

#include "app/Startup.h"
#include "settings/Settings.h"
#include "tests/recording/recording.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/TempFolder.h"

namespace {

// Runs the saver on these settings, in a fresh current folder, until the
// input the test scheduled ends it; returns the exit code.
int RunSaver(const char* host, int port, const char* user, const char* password, int check = 1,
             const char* tls = nullptr) {
    TempFolder folder;
    g_settings.Bind(kSettingsFile, kSettingsSection);
    g_settings.WriteText("HOST", host);
    g_settings.WriteInt("PORT", port);
    g_settings.WriteText("USER", user);
    g_settings.WritePassword(password);
    g_settings.WriteInt("CHECK", check);
    if (tls) g_settings.WriteText("TLS", tls);
    return RunLetterglass(GetModuleHandleA(nullptr), "/s", SW_SHOW);
}

// The lines typed, each complete, with its row: "60 Client > CONNECT \n".
// A line starts with its first byte alone.
std::string Typed() {
    std::string typed, line;
    for (const RecordedText& text : Recording().texts) {
        if (text.bytes.size() == 1) typed += line;
        line = std::to_string(text.y) + " " + text.bytes + "\n";
    }
    return typed + line;
}

std::string Login(const std::string& user, const std::string& password,
                  const std::string& greeting = "+OK ready", const std::string& userReply = "+OK",
                  const std::string& passReply = "+OK Logged in.") {
    return "60 Client > CONNECT \n90 Server > " + greeting + " \n120 Client > USER " + user +
           "\n150 Server > " + userReply + " \n180 Client > PASS " +
           std::string(password.size(), '*') + "\n210 Server > " + passReply +
           " \n240 Client > STAT  \n";
}

void ScriptLogin(ScriptedPop3Peer& peer, const std::string& stat) {
    peer.Send("+OK ready\r\nsecond line\r\n").AwaitLine().Send("+OK\r\n").AwaitLine();
    peer.Send("+OK Logged in.\r\n").AwaitLine().Send(stat);
}

const std::string kLogin = Login("alice", "hello");

// Typed in white on black; the wipe after the last line closes the connection.
TEST(Saver, EmptyMailboxTypesTheExchangeAndClosesTheConnection) {
    ScriptedPop3Peer peer;
    ScriptLogin(peer, "+OK 0 0\r\n");
    ASSERT_TRUE(peer.Start());
    Recording().PressButton(1, 15000);
    EXPECT_EQ(RunSaver("127.0.0.1", peer.Port(), "alice", "hello"), 0);
    EXPECT_EQ(Typed(), kLogin + "270 Server > +OK 0 0 \n");
    const RecordedText& last = Recording().texts.back();
    EXPECT_EQ(Recording().fonts.at(last.font).height, 30);
    EXPECT_TRUE(last.textColor == RGB(255, 255, 255) && last.backColor == RGB(0, 0, 0));
    EXPECT_EQ(peer.Finish(), "USER alice\r\nPASS hello\r\nSTAT\r\n");
    EXPECT_TRUE(peer.ClientClosed());
}

// One byte per 10 ms draw tick; 100 ms after a line is complete the step
// composes the next, which the draw tick after types. A click during the wipe
// ends the saver: the connection closed, the cursor shown again.
TEST(Saver, MessagesShowDecodedSubjectsAByteAtATimeUntilAClick) {
    ScriptedPop3Peer peer;
    ScriptLogin(peer, "+OK 2 300\r\n");
    peer.AwaitLine().Send("+OK 1 5\r\n").AwaitLine().Send("+OK\r\nSubject: plain1\r\n\r\n.\r\n");
    peer.AwaitLine().Send("+OK 2 5\r\n").AwaitLine();
    peer.Send("+OK\r\nSubject: =?ISO-2022-JP?B?GyRCJCIbKEI=?= x\r\n\r\nbody\r\n.\r\n");
    ASSERT_TRUE(peer.Start());
    Recording().PressButton(1, 5000);
    EXPECT_EQ(RunSaver("127.0.0.1", peer.Port(), "alice", "hello"), 0);
    EXPECT_EQ(Typed(), kLogin + "300 Mail plain1 \n330 Mail \x82\xa0 x \n");
    const std::vector<RecordedText>& texts = Recording().texts;
    EXPECT_EQ(texts.front().time, 100u);
    for (size_t i = 1; i < texts.size(); ++i) {
        const bool next = texts[i].bytes.size() == texts[i - 1].bytes.size() + 1;
        EXPECT_EQ(texts[i].time - texts[i - 1].time, next ? 10u : 110u) << texts[i].bytes;
    }
    EXPECT_FALSE(Recording().lines.empty() || Recording().cursorHidden) << "wiping, cursor shown";
    EXPECT_EQ(ShowCursor(FALSE), -1) << "hidden once while shown, shown once again";
    EXPECT_EQ(peer.Finish(),
              "USER alice\r\nPASS hello\r\nSTAT\r\nLIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n");
    EXPECT_TRUE(peer.ClientClosed());
}

// Four checks of a server that refuses: every step is still typed, checks
// start CHECK x 20 s apart, and each wipe runs to the far edge, in the
// direction the C runtime's rand picks (down first, then up, left, right).
TEST(Saver, RefusedChecksWalkEveryStepAndWipeInTheRandomDirections) {
    Recording().PressButton(3, 230000);
    EXPECT_EQ(RunSaver("127.0.0.1", UnusedLoopbackPort(), "alice", "pw", 3), 0);
    const std::string check = Login("alice", "pw", "", "", "") + "270 Server >  \n";
    EXPECT_EQ(Typed(), check + check + check + check);
    std::uint64_t started = 0;  // each CONNECT line's first byte, 0 to 110 ms after its check
    for (const RecordedText& text : Recording().texts)
        started += text.y == 60 && text.bytes.size() == 1 && text.time - 60000 * started <= 110;
    EXPECT_EQ(started, 4u);

    ASSERT_EQ(Recording().lines.size(), 769u * 2 + 1025u * 2);
    auto line = Recording().lines.begin();
    for (long direction : {0, 1, 3, 2}) {
        const long end = direction < 2 ? 768 : 1024;
        for (long n = 0; n <= end; ++n, ++line) {
            const long at = direction % 2 ? end - n : n;
            ASSERT_EQ(*line, (direction < 2 ? RecordedLine{0, at, 1024, at, 0}
                                            : RecordedLine{at, 0, at, 768, 0}))
                << "wipe " << direction << ", line " << n;
        }
    }
}

// With the TLS key set, a server that does not speak TLS is sent no command:
// the check shows a refused connection.
TEST(Saver, SecureKeyRefusesAPlainServer) {
    ScriptedPop3Peer peer;
    peer.Send("+OK ready\r\n");
    ASSERT_TRUE(peer.Start());
    Recording().PressButton(1, 15000);
    EXPECT_EQ(RunSaver("127.0.0.1", peer.Port(), "alice", "pw", 1, "1"), 0);
    EXPECT_EQ(Typed(), Login("alice", "pw", "", "", "") + "270 Server >  \n");
    EXPECT_EQ(peer.Finish().find("USER"), std::string::npos);
}

// Without a host, a user or a password the screen stays black: no check ever.
TEST(Saver, MissingSettingsDrawNothing) {
    for (const char* host : {"", "127.0.0.1"})
        for (const char* user : {"", "alice"}) {
            Recording().PressButton(1, Recording().now + 25000);  // past the first check tick
            EXPECT_EQ(RunSaver(host, 110, user, *host && *user ? "" : "pw"), 0);
        }
    EXPECT_TRUE(Recording().texts.empty() && Recording().lines.empty());
}

// Only a move off both the column and the row where the pointer was first seen
// ends the saver; a 0 coordinate counts as not seen yet.
TEST(Saver, EndsWhenThePointerLeavesBothItsColumnAndItsRow) {
    Recording().MovePointer(0, 300);  // where the window appears
    Recording().MovePointer(40, 500, 100);
    Recording().MovePointer(90, 300, 200);
    Recording().MovePointer(40, 650, 300);
    Recording().MovePointer(41, 301, 400);
    EXPECT_EQ(RunSaver("", 110, "", ""), 0);
    EXPECT_EQ(Recording().now, 400u) << "ended by the last move";
}

// A real server: its replies, decoded Japanese subjects and a header-only
// fetch of a large message; the fixture checks that no message changed.
TEST(DovecotSaver, ReaderMailboxShowsEveryDecodedSubject) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    Recording().PressButton(1, 19000);
    EXPECT_EQ(RunSaver(server.host.c_str(), server.port, "reader", kDovecotPassword), 0);
    EXPECT_EQ(Typed(), Login("reader", kDovecotPassword, "+OK Dovecot (Debian) ready.") +
                           "300 Mail Quarterly report is ready \n"
                           "330 Mail \x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9 \n"
                           "360 Mail Re: \x97\x88\x8f\x54\x82\xcc\x97\x5c\x92\xe8\x82\xc9\x82\xc2"
                           "\x82\xa2\x82\xc4 (draft 2) \n"
                           "390 Mail Last line of the header \n420 Mail  \n"
                           "450 Mail Large attachment \n");
}

}  // namespace
