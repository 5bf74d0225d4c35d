// The connection against a scripted peer: greeting, the receive rule with its
// 3-second readiness wait, early close, silence, refusal, the bounded connect,
// and every Winsock start-up paired with one clean-up.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "pop3/Pop3Client.h"
#include "tests/decode/ByteDump.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/SocketChecks.h"

namespace {

const char kGreeting[] = "+OK scripted peer ready\r\n";

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Bytes(const char* area, std::size_t length) {
    return std::string(area, length);
}

class Pop3ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { startups_ = OutstandingStartups(); }
    // Peers live in the test body, so they are gone before this check.
    void TearDown() override {
        EXPECT_EQ(OutstandingStartups(), startups_) << "start-ups not paired";
    }

    Pop3Client client_;

private:
    int startups_ = 0;
};

TEST_F(Pop3ConnectionTest, GreetingIsReadOnceAndCloseTwiceClosesOnce) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting);
    ASSERT_TRUE(peer.Start());

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    EXPECT_LT(SecondsSince(start), 2.0) << "a wanted length of 1 must not wait for more";
    EXPECT_TRUE(client_.IsOpen());
    EXPECT_STREQ(client_.ReceiveBuffer(), kGreeting);
    EXPECT_EQ(client_.ReceiveBuffer()[Pop3Client::kReceiveBufferSize - 1], '\0');
    EXPECT_EQ(client_.Port(), peer.Port());
    EXPECT_STREQ(client_.Host(), "127.0.0.1");

    EXPECT_EQ(client_.Close(), 1);
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_EQ(client_.Close(), 0);
    EXPECT_EQ(peer.Finish(), "") << "nothing may be sent, not even QUIT";
    EXPECT_TRUE(peer.ClientClosed());
}

TEST_F(Pop3ConnectionTest, MultiLineGreetingShowsWhatTheFirstReadGot) {
    struct Case {
        const char* why;
        const char* first;
        const char* second;  // sent 300 ms later, or nothing
        const char* afterConnect;
    };
    const Case cases[] = {
        {"both lines in one chunk", "+OK line one\r\n+OK line two\r\n", nullptr,
         "+OK line one\r\n+OK line two\r\n"},
        {"second line later: left for the next receive", "+OK line one\r\n", "+OK line two\r\n",
         "+OK line one\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScriptedPop3Peer peer;
        peer.Send(c.first);
        if (c.second != nullptr) peer.Pause(300).Send(c.second);
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
        EXPECT_STREQ(client_.ReceiveBuffer(), c.afterConnect);
        if (c.second != nullptr) {
            EXPECT_EQ(client_.ReceiveReply(nullptr, 1), static_cast<int>(std::strlen(c.second)));
            EXPECT_STREQ(client_.ReceiveBuffer(), c.second);
        }
        client_.Close();
        peer.Finish();
    }
}

// 7 bytes, then 3 more within 3 seconds, read with a wanted length of 1024.
TEST_F(Pop3ConnectionTest, ChunksWithinThreeSecondsAreJoinedAndTheLastChunkOverlays) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK 7by").Pause(500).Send("te!");
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);

    char output[1024];
    std::memset(output, '#', sizeof output);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.Retrieve(1, output, sizeof output), 10);
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 3.0) << "ends only after 3 s of silence behind the last chunk";
    EXPECT_LT(seconds, 10.0);

    EXPECT_EQ(Bytes(output, 11), std::string("+OK 7byte!\0", 11));
    EXPECT_EQ(std::string(output + 10, sizeof output - 10), std::string(sizeof output - 10, '\0'));
    EXPECT_EQ(ByteDump(Bytes(client_.ReceiveBuffer(), 8)), ByteDump(std::string("te! 7by\0", 8)));
    client_.Close();
    EXPECT_EQ(peer.Finish(), "RETR 1\r\n");
}

TEST_F(Pop3ConnectionTest, ServerClosingMidReplyEndsThisReceiveAndEmptiesTheNext) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK Logg").Hangup();
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.SendPass("secret"), 1) << "the partial reply holds +OK";
    EXPECT_LT(SecondsSince(start), 2.0) << "the close ends the wait";
    EXPECT_STREQ(client_.ReceiveBuffer(), "+OK Logg");
    peer.Finish();

    start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.ReceiveReply(nullptr, 1024), 0);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_STREQ(client_.ReceiveBuffer(), "");
    // Sending into the closed connection fails quietly (no signal ends the process).
    client_.SendData("STAT\r\n", 6);
    client_.SendData("STAT\r\n", 6);
    EXPECT_EQ(client_.Stat(), 0);
    EXPECT_TRUE(client_.IsOpen()) << "the server's close does not close our side";
    EXPECT_EQ(client_.Close(), 1);
}

TEST_F(Pop3ConnectionTest, SilentServerEndsTheGreetingEmptyAfterThreeSeconds) {
    ScriptedPop3Peer peer;
    ASSERT_TRUE(peer.Start());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 2.5);
    EXPECT_LT(seconds, 10.0);
    EXPECT_STREQ(client_.ReceiveBuffer(), "");
    EXPECT_EQ(client_.Close(), 1);
    peer.Finish();
}

TEST_F(Pop3ConnectionTest, RefusedConnectionClearsTheEarlierGreeting) {
    {
        ScriptedPop3Peer peer;
        peer.Send(kGreeting);
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
        client_.Close();
        peer.Finish();
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

TEST_F(Pop3ConnectionTest, UnansweredConnectionAttemptGivesUpAfterFiveSeconds) {
    StalledLoopbackListener stalled;
    ASSERT_NE(stalled.Port(), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.Connect("127.0.0.1", stalled.Port()), 0);
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 4.0);
    EXPECT_LT(seconds, 15.0) << "the system's own connect time-out is minutes";
    EXPECT_FALSE(client_.IsOpen());
}

TEST_F(Pop3ConnectionTest, PortKeepsItsLow16BitsAndZeroMeans110) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting);
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", 0x10000 + peer.Port()), 1);
    EXPECT_EQ(client_.Port(), peer.Port());
    EXPECT_STREQ(client_.ReceiveBuffer(), kGreeting);
    client_.Close();
    peer.Finish();

    client_.Connect("127.0.0.1", 0);
    EXPECT_EQ(client_.Port(), 110);
    client_.Close();
}

TEST_F(Pop3ConnectionTest, HostNamesResolveAndLongNamesAreCut) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting);
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("localhost", peer.Port()), 1);
    EXPECT_STREQ(client_.ReceiveBuffer(), kGreeting);
    client_.Close();
    peer.Finish();

    // One label far longer than DNS allows: the lookup fails without asking anyone.
    const std::string longName(600, 'a');
    EXPECT_EQ(client_.Connect(longName.c_str(), 110), 0);
    EXPECT_EQ(std::string(client_.Host()), longName.substr(0, 511));
}

TEST_F(Pop3ConnectionTest, DestroyingAnOpenClientClosesItsConnection) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting);
    ASSERT_TRUE(peer.Start());
    {
        Pop3Client scoped;
        ASSERT_EQ(scoped.Connect("127.0.0.1", peer.Port()), 1);
    }
    peer.Finish();
    EXPECT_TRUE(peer.ClientClosed());
}

}  // namespace
