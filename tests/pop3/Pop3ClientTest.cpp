// The POP3 client against a scripted peer: the exact bytes sent, what each
// reply makes of a command, the receive rule with its 3-second readiness wait,
// header retrieval, and every Winsock start-up paired with one clean-up.
// Peers hang up after their last reply where they can, so a receive ends at
// once instead of after 3 s of silence.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "pop3/Pop3Client.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/SocketChecks.h"

namespace {

const char kGreeting[] = "+OK ready\r\n";

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A message reply longer than its LIST size plus the 128 bytes of status room:
// its receive ends without a wait, and the client drops the rest.
std::string MessageReply(const std::string& headerLines) {
    return "+OK message follows\r\n" + headerLines + "\r\n\r\n" + std::string(128, 'b') +
           "\r\n.\r\n";
}

class Pop3ClientTest : public ::testing::Test {
protected:
    void SetUp() override { startups_ = OutstandingStartups(); }
    // Peers live in the test bodies, so they are gone before this check.
    void TearDown() override {
        EXPECT_EQ(OutstandingStartups(), startups_) << "start-ups unpaired";
    }

    void Connect(ScriptedPop3Peer& peer) {
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    }

    Pop3Client client_;
    int startups_ = 0;
};

// A whole check of two messages: the first reply, longer than its LIST size,
// comes as the 228 bytes wanted and a later rest, which is read and dropped;
// the second server refuses TOP, so RETR brings that header.
TEST_F(Pop3ClientTest, CheckSendsExactlyTheseCommands) {
    const std::string first = "+OK\r\nSubject: first\r\n\r\n" + std::string(400, 'm') + "\r\n.\r\n";
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK\r\n").AwaitLine().Send("+OK Logged in.\r\n");
    peer.AwaitLine().Send("+OK 2 400\r\n").AwaitLine().Send("+OK 1 100\r\n").AwaitLine();
    peer.Send(first.substr(0, 228)).Pause(300).Send(first.substr(228));
    // A rest left unread would be taken for this reply.
    peer.AwaitLine().Pause(300).Send("+OK 2 0\r\n").AwaitLine().Send("-ERR unknown command\r\n");
    peer.AwaitLine().Send(MessageReply("Subject: second")).Hangup();
    ASSERT_TRUE(peer.Start());

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    EXPECT_LT(SecondsSince(start), 2.0) << "the greeting is one chunk, waited for by no rule";
    EXPECT_STREQ(client_.ReceiveBuffer(), kGreeting);
    EXPECT_STREQ(client_.Host(), "127.0.0.1");
    EXPECT_EQ(client_.SendUser("alice"), 1);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.SendPass("s3cret"), 1);
    EXPECT_GE(SecondsSince(start), 2.9) << "PASS waits for up to 1024 bytes: 3 s of silence";
    EXPECT_EQ(client_.Stat(), 2);
    EXPECT_EQ(client_.FetchHeader(1), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK\r\nSubject: first");
    EXPECT_EQ(client_.FetchHeader(2), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK message follows\r\nSubject: second");
    EXPECT_EQ(client_.Close(), 1);
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_EQ(client_.Close(), 0);
    EXPECT_EQ(peer.Finish(),
              "USER alice\r\nPASS s3cret\r\nSTAT\r\nLIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n"
              "RETR 2\r\n");
}

TEST_F(Pop3ClientTest, WhatEachReplyMakesOfItsCommand) {
    enum Command { kUser, kStat, kList };
    const char* const sent[] = {"USER bob\r\n", "STAT\r\n", "LIST 4\r\n"};
    struct {
        Command command;
        const char* reply;  // nullptr: the server hangs up
        int expected;
        const char* why;
    } const cases[] = {
        {kUser, "+OK\r\n", 1, "positive"},
        {kUser, "-ERR unknown user\r\n", 0, "negative"},
        {kUser, "-ERR odd, but +OK appears\r\n", 1, "+OK anywhere counts"},
        {kUser, "+ok\r\n", 0, "lower case does not"},
        {kUser, nullptr, 0, "no reply"},
        {kStat, "+OK 3 670\r\n", 3, "the count between the first two spaces"},
        {kStat, "+OK 3\r\n", 0, "no second space"},
        {kStat, "+OK  3 670\r\n", 0, "two spaces in a row"},
        {kStat, "-ERR not logged in\r\n", 0, "negative"},
        {kStat, "+OK 12abc 670\r\n", 12, "the leading number"},
        {kStat, "+OK 32768 1\r\n", -32768, "kept to 16 bits, signed"},
        {kStat, "+OK 70000 1\r\n", 70000 - 65536, "the low 16 bits"},
        {kStat, nullptr, 0, "no reply"},
        {kList, "+OK 4 236\r\n", 236, "the size between the second space and CR LF"},
        {kList, "-ERR no such message\r\n", 0, "negative"},
        {kList, "+OK 4 236", 0, "no CR LF"},
        {kList, "+OK 4 236\n", 0, "LF alone is no line end"},
        {kList, "+OK 236\r\n", 0, "one space only"},
        {kList, "+OK 4  236 octets\r\n", 236, "blanks before, text after"},
        {kList, "+OK 4 -5\r\n", -5, "negative size"},
        {kList, nullptr, 0, "no reply"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(sent[c.command]) + c.why);
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).AwaitLine();
        if (c.reply != nullptr) peer.Send(c.reply);
        peer.Hangup();
        Connect(peer);
        EXPECT_EQ(c.command == kUser   ? client_.SendUser("bob")
                  : c.command == kStat ? client_.Stat()
                                       : client_.ListSize(4),
                  c.expected);
        client_.Close();
        EXPECT_EQ(peer.Finish(), sent[c.command]);
    }
}

// The header is the text before the first empty line of what was read: the
// LIST size (at most 64 KiB) and 128 bytes. Each row leaving it empty follows
// one that filled it, so an untouched buffer cannot pass.
TEST_F(Pop3ClientTest, FetchHeaderKeepsTheTextBeforeTheFirstEmptyLine) {
    const std::string y200(200, 'y'), h70000(70000, 'h');
    struct {
        const char* why;
        const char* listReply;
        std::string topReply;  // empty: TOP must not be sent
        std::string expected;
    } const cases[] = {
        {"size 0: 128 bytes, cut at the empty line", "+OK 2 0\r\n",
         "+OK\r\nSubject: two\r\nFrom: b\r\n\r\n" + y200, "+OK\r\nSubject: two\r\nFrom: b"},
        {"negative size: nothing sent or kept", "+OK 2 -1\r\n", "", ""},
        {"no empty line: the 128 bytes whole", "+OK 2 0\r\n", "+OK\r\nSubject: " + y200,
         ("+OK\r\nSubject: " + y200).substr(0, 128)},
        {"most negative size", "+OK 2 -2147483648\r\n", "", ""},
        {"huge size: 64 KiB + 128 bytes", "+OK 2 2000000000\r\n", "+OK\r\nSubject: " + h70000,
         ("+OK\r\nSubject: " + h70000).substr(0, 65536 + 128)},
        {"largest size", "+OK 2 2147483647\r\n", "+OK\r\nSubject: big\r\n\r\n",
         "+OK\r\nSubject: big"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).AwaitLine().Send(c.listReply);
        // Without a TOP reply the peer stays, to record any command sent.
        if (!c.topReply.empty()) peer.AwaitLine().Send(c.topReply).Hangup();
        Connect(peer);
        EXPECT_EQ(client_.FetchHeader(2), 1);
        EXPECT_EQ(std::string(client_.MessageBuffer()), c.expected);
        EXPECT_EQ(client_.ReceiveBuffer()[Pop3Client::kReceiveBufferSize - 1], '\0')
            << "unterminated";
        client_.Close();
        EXPECT_EQ(peer.Finish(), c.topReply.empty() ? "LIST 2\r\n" : "LIST 2\r\nTOP 2 0\r\n");
    }
}

// 7 bytes, then 3 more, read with a wanted length of 1024: joined in the
// output, zero bytes behind; the receive buffer holds the last chunk over the first.
TEST_F(Pop3ClientTest, ChunksAreJoinedAndTheLastOverlaysTheReceiveBuffer) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK 7by").Pause(500).Send("te!").Hangup();
    Connect(peer);
    char output[1024];
    std::memset(output, '#', sizeof output);
    EXPECT_EQ(client_.Retrieve(1, output, sizeof output), 10);
    EXPECT_EQ(std::string(output, sizeof output), "+OK 7byte!" + std::string(1014, '\0'));
    EXPECT_EQ(std::string(client_.ReceiveBuffer(), 8), std::string("te! 7by\0", 8));
    client_.Close();
    EXPECT_EQ(peer.Finish(), "RETR 1\r\n");
}

TEST_F(Pop3ClientTest, ServerClosingMidReplyEndsThisReceiveAndEmptiesTheNext) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK Logg").Hangup();
    Connect(peer);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.SendPass("secret"), 1) << "the part read holds +OK";
    EXPECT_LT(SecondsSince(start), 2.0) << "the close ends the wait";
    EXPECT_STREQ(client_.ReceiveBuffer(), "+OK Logg");
    peer.Finish();
    EXPECT_EQ(client_.ReceiveReply(nullptr, 1024), 0);
    EXPECT_STREQ(client_.ReceiveBuffer(), "");
    // Sending into the closed connection fails quietly: no signal ends the process.
    client_.SendData("STAT\r\n", 6);
    client_.SendData("STAT\r\n", 6);
    EXPECT_EQ(client_.Stat(), 0);
    EXPECT_TRUE(client_.IsOpen()) << "the server's close does not close our side";
    EXPECT_EQ(client_.Close(), 1);
}

TEST_F(Pop3ClientTest, SilentServerEndsTheGreetingEmptyAfterThreeSeconds) {
    ScriptedPop3Peer peer;
    auto start = std::chrono::steady_clock::now();
    Connect(peer);
    EXPECT_GE(SecondsSince(start), 2.9);
    EXPECT_LT(SecondsSince(start), 10.0);
    EXPECT_STREQ(client_.ReceiveBuffer(), "");
    EXPECT_EQ(client_.Close(), 1);
}

TEST_F(Pop3ClientTest, RefusedConnectionClearsTheEarlierGreeting) {
    {
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).Hangup();
        Connect(peer);
        client_.Close();
    }
    ASSERT_STREQ(client_.ReceiveBuffer(), kGreeting);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.Connect("127.0.0.1", UnusedLoopbackPort()), 0);
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_STREQ(client_.ReceiveBuffer(), "") << "an earlier check's greeting must not show";
    EXPECT_EQ(client_.Close(), 0);
    EXPECT_EQ(client_.ReceiveReply(nullptr, 1), 0);
}

TEST_F(Pop3ClientTest, UnansweredConnectionAttemptGivesUpAfterFiveSeconds) {
    StalledLoopbackListener stalled;
    ASSERT_NE(stalled.Port(), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.Connect("127.0.0.1", stalled.Port()), 0);
    EXPECT_GE(SecondsSince(start), 4.0);
    EXPECT_LT(SecondsSince(start), 15.0) << "the system's own time-out is minutes";
    EXPECT_FALSE(client_.IsOpen());
}

TEST_F(Pop3ClientTest, PortsAndHostNames) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).Hangup();
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("localhost", 0x10000 + peer.Port()), 1) << "the low 16 bits";
    EXPECT_EQ(client_.Port(), peer.Port());
    EXPECT_STREQ(client_.ReceiveBuffer(), kGreeting);
    client_.Close();
    client_.Connect("127.0.0.1", 0);
    EXPECT_EQ(client_.Port(), 110);
    client_.Close();
    // One label far longer than DNS allows: the lookup fails without asking anyone.
    const std::string longName(600, 'a');
    EXPECT_EQ(client_.Connect(longName.c_str(), 110), 0);
    EXPECT_EQ(std::string(client_.Host()), longName.substr(0, 511));
}

TEST_F(Pop3ClientTest, DestroyingAnOpenClientClosesItWithoutAWord) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting);
    ASSERT_TRUE(peer.Start());
    {
        Pop3Client scoped;
        ASSERT_EQ(scoped.Connect("127.0.0.1", peer.Port()), 1);
    }
    EXPECT_EQ(peer.Finish(), "") << "not even QUIT";
    EXPECT_TRUE(peer.ClientClosed());
}

TEST_F(Pop3ClientTest, WithoutConnectionEveryCommandSeesAnEmptyReply) {
    std::strcpy(client_.ReceiveBuffer(), "stale");
    EXPECT_EQ(client_.ReceiveReply(nullptr, 1), 0);
    EXPECT_STREQ(client_.ReceiveBuffer(), "");
    EXPECT_EQ(client_.SendData("USER x\r\n", 8), 0);
    EXPECT_EQ(client_.SendUser("alice"), 0);
    EXPECT_EQ(client_.Stat(), 0);
    char output[64];
    std::memset(output, '#', sizeof output);
    EXPECT_EQ(client_.Retrieve(1, output, sizeof output), 0);
    EXPECT_EQ(std::string(output, sizeof output), std::string(sizeof output, '\0'));
    EXPECT_EQ(client_.FetchHeader(1), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "");
}

// Dropping the rest of a reply has a limit: a server that never stops sending
// is cut off, and the check goes on without a connection.
TEST_F(Pop3ClientTest, ServerThatNeverStopsSendingIsCutOff) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK 1 0\r\n").AwaitLine();
    peer.Send("+OK\r\nSubject: endless\r\n\r\n").Flood(std::string(4096, 'e'));
    Connect(peer);
    client_.FetchHeader(1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK\r\nSubject: endless");
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_EQ(client_.ListSize(2), 0);
    EXPECT_EQ(peer.Finish(), "LIST 1\r\nTOP 1 0\r\n");
    EXPECT_TRUE(peer.ClientClosed()) << "cut off, not left to the peer's own time limit";
}

}  // namespace
