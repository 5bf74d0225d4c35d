// The check cycle and the saver window together, on the recording display,
// against the scripted POP3 peer and the throwaway Dovecot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pop3/MailClient.h"
#include "tests/cycle/SaverRun.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/ScriptedPop3Peer.h"

namespace {

std::string TopReply(const std::string& message) {
    return "+OK " + std::to_string(message.size()) + " octets\r\n" + message + ".\r\n";
}

std::string ListReply(int number, const std::string& message) {
    return "+OK " + std::to_string(number) + " " + std::to_string(message.size()) + "\r\n";
}

// The login every scripted check starts with.
void ScriptLogin(ScriptedPop3Peer& peer, const std::string& greeting, const std::string& stat) {
    peer.Send(greeting).AwaitLine().Send("+OK\r\n").AwaitLine().Send("+OK Logged in.\r\n");
    peer.AwaitLine().Send(stat);
}

const std::vector<TypedLine> kLoginLines = {
    {60, "Client > CONNECT "}, {90, "Server > +OK ready "},  {120, "Client > USER alice"},
    {150, "Server > +OK "},    {180, "Client > PASS *****"}, {210, "Server > +OK Logged in. "},
    {240, "Client > STAT  "},
};

std::vector<TypedLine> With(std::vector<TypedLine> lines, const std::vector<TypedLine>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

TEST(SaverCycle, EmptyMailboxTypesTheWholeExchangeThenWipes) {
    ScriptedPop3Peer peer;
    ScriptLogin(peer, "+OK ready\r\n", "+OK 0 0\r\n");
    ASSERT_TRUE(peer.Start());
    SaverRun run;
    run.WriteSettings("127.0.0.1", peer.Port(), "alice", "hello");
    ASSERT_NE(run.Start(), nullptr);
    ASSERT_TRUE(run.RunOneCheck());

    EXPECT_EQ(run.Lines(), With(kLoginLines, {{270, "Server > +OK 0 0 "}}));
    // The first wipe runs downwards: one line per pixel row, edge included.
    const std::vector<RecordedLine>& wipe = RecordingDisplay::Log().lines;
    ASSERT_EQ(wipe.size(), 769u);
    EXPECT_EQ(wipe.front().from.y, 0);
    EXPECT_EQ(wipe.front().to.x, 1024);
    EXPECT_EQ(wipe.back().from.y, 768);
    EXPECT_FALSE(g_mailClient.IsOpen());
    EXPECT_EQ(peer.Finish(), "USER alice\r\nPASS hello\r\nSTAT\r\n");
    EXPECT_TRUE(peer.ClientClosed());
}

TEST(SaverCycle, ThreeMessagesShowOneSubjectLineEachAndSkipTheStatReply) {
    const std::string messages[] = {
        "From: a@example.org\r\nSubject: plain one\r\n\r\nbody\r\n",
        "Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?= x\r\nFrom: b@example.org\r\n\r\nhi\r\n",
        "Subject: folded\r\n line\r\n\r\n",
    };
    ScriptedPop3Peer peer;
    ScriptLogin(peer, "+OK ready\r\nsecond greeting line\r\n", "+OK 3 300\r\n");
    for (int n = 1; n <= 3; ++n) {
        peer.AwaitLine().Send(ListReply(n, messages[n - 1]));
        peer.AwaitLine().Send(TopReply(messages[n - 1]));
    }
    ASSERT_TRUE(peer.Start());
    SaverRun run;
    run.WriteSettings("127.0.0.1", peer.Port(), "alice", "hello");
    ASSERT_NE(run.Start(), nullptr);
    ASSERT_TRUE(run.RunOneCheck());

    EXPECT_EQ(run.Lines(), With(kLoginLines, {{300, "Mail plain one "},
                                              {330, "Mail \x82\xa0 x "},
                                              {360, "Mail foldedline "}}));
    EXPECT_EQ(peer.Finish(),
              "USER alice\r\nPASS hello\r\nSTAT\r\nLIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n"
              "LIST 3\r\nTOP 3 0\r\n");
    EXPECT_TRUE(peer.ClientClosed());
}

TEST(SaverCycle, RefusedConnectionStillWalksEveryStep) {
    SaverRun run;
    run.WriteSettings("127.0.0.1", UnusedLoopbackPort(), "alice", "pw");
    ASSERT_NE(run.Start(), nullptr);
    ASSERT_TRUE(run.RunOneCheck());
    const std::vector<TypedLine> expected = {
        {60, "Client > CONNECT "}, {90, "Server >  "},        {120, "Client > USER alice"},
        {150, "Server >  "},       {180, "Client > PASS **"}, {210, "Server >  "},
        {240, "Client > STAT  "},  {270, "Server >  "},
    };
    EXPECT_EQ(run.Lines(), expected);
}

// Settings that leave the screen black: no timer is ever started.
TEST(SaverCycle, MissingHostUserOrPasswordStartsNoTimer) {
    struct Case {
        const char* host;
        const char* user;
        const char* password;
    } cases[] = {{"", "alice", "pw"}, {"127.0.0.1", "", "pw"}, {"127.0.0.1", "alice", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.host) + "/" + c.user + "/" + c.password);
        SaverRun run;
        run.WriteSettings(c.host, 110, c.user, c.password);
        ASSERT_NE(run.Start(), nullptr);
        EXPECT_TRUE(RecordingDisplay::Log().timers.empty());
    }
}

TEST(SaverCycle, TimersStartInOrderWithTheCheckInterval) {
    SaverRun run;
    run.WriteSettings("127.0.0.1", 110, "alice", "pw", 3);
    ASSERT_NE(run.Start(), nullptr);
    const std::vector<RecordedTimer>& timers = RecordingDisplay::Log().timers;
    ASSERT_EQ(timers.size(), 3u);
    EXPECT_EQ(timers[0].id, 1u);
    EXPECT_EQ(timers[0].elapse, 100u);
    EXPECT_EQ(timers[1].id, 2u);
    EXPECT_EQ(timers[1].elapse, 60000u);
    EXPECT_EQ(timers[2].id, 3u);
    EXPECT_EQ(timers[2].elapse, 10u);
    EXPECT_EQ(RecordingDisplay::CursorCount(), -1);
    EXPECT_TRUE(RecordingDisplay::CursorHidden());
    ASSERT_FALSE(RecordingDisplay::Log().fonts.empty());
    EXPECT_EQ(RecordingDisplay::Log().fonts[0].height, 30);
    EXPECT_EQ(RecordingDisplay::Log().fonts[0].weight, 100);
}

std::vector<TypedLine> DovecotLogin(const std::string& user) {
    return {
        {60, "Client > CONNECT "},
        {90, "Server > +OK Dovecot (Debian) ready. "},
        {120, "Client > USER " + user},
        {150, "Server > +OK "},
        {180, "Client > PASS " + std::string(std::string(kDovecotPassword).size(), '*')},
        {210, "Server > +OK Logged in. "},
        {240, "Client > STAT  "},
    };
}

TEST(DovecotSaverCycle, EmptyMailbox) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    SaverRun run;
    run.WriteSettings(server.host, server.port, "empty", kDovecotPassword);
    ASSERT_NE(run.Start(), nullptr);
    ASSERT_TRUE(run.RunOneCheck());
    EXPECT_EQ(run.Lines(), With(DovecotLogin("empty"), {{270, "Server > +OK 0 0 "}}));
}

TEST(DovecotSaverCycle, ThreeMessagesSkipTheStatReply) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    SaverRun run;
    run.WriteSettings(server.host, server.port, "trio", kDovecotPassword);
    ASSERT_NE(run.Start(), nullptr);
    ASSERT_TRUE(run.RunOneCheck());
    const std::vector<TypedLine> expected = With(
        DovecotLogin("trio"),
        {
            {300, "Mail Quarterly report is ready "},
            {330,
             "Mail \x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9 "},  // 会議のお知らせ
            {360, "Mail Lunch on Friday? "},
        });
    EXPECT_EQ(run.Lines(), expected);
    EXPECT_FALSE(g_mailClient.IsOpen());
}

TEST(DovecotSaverCycle, ReaderMailboxShowsEveryDecodedSubject) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    SaverRun run;
    run.WriteSettings(server.host, server.port, "reader", kDovecotPassword);
    ASSERT_NE(run.Start(), nullptr);
    ASSERT_TRUE(run.RunOneCheck());
    std::vector<TypedLine> lines = run.Lines();
    ASSERT_EQ(lines.size(), 7u + 6u);
    EXPECT_EQ(std::vector<TypedLine>(lines.begin(), lines.begin() + 7), DovecotLogin("reader"));
    const std::vector<TypedLine> subjects(lines.begin() + 7, lines.end());
    const std::vector<TypedLine> expected = {
        {300, "Mail Quarterly report is ready "},
        // 会議のお知らせ and 来週の予定について, in Shift_JIS
        {330, "Mail \x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9 "},
        {360,
         "Mail Re: \x97\x88\x8f\x54\x82\xcc\x97\x5c\x92\xe8\x82\xc9\x82\xc2\x82\xa2\x82\xc4 (draft "
         "2) "},
        {390, "Mail Last line of the header "},
        {420, "Mail  "},
        {450, "Mail Large attachment "},
    };
    EXPECT_EQ(subjects, expected);
}

}  // namespace
