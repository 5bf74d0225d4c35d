// The commands against a scripted peer: the exact bytes sent, the judging and
// parsing of odd replies, and header retrieval with sizes good and bad.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pop3/Pop3Client.h"
#include "tests/decode/ByteDump.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/SocketChecks.h"

namespace {

const char kGreeting[] = "+OK scripted peer ready\r\n";

// A message reply longer than its LIST size plus 128 bytes: its receive ends
// without a readiness wait, and the client drops the rest (the terminator).
std::string MessageReply(const std::string& headerLines, int listSize) {
    std::string reply = "+OK message follows\r\n" + headerLines + "\r\n\r\n";
    reply.resize(static_cast<std::size_t>(listSize) + 128, 'b');
    return reply + "\r\n.\r\n";
}

class Pop3CommandsTest : public ::testing::Test {
protected:
    void SetUp() override { startups_ = OutstandingStartups(); }
    void TearDown() override {
        EXPECT_EQ(OutstandingStartups(), startups_) << "start-ups not paired";
    }

    // A peer that greets, then answers one command line with reply (or hangs up).
    void ConnectAnswering(ScriptedPop3Peer& peer, const char* reply) {
        peer.Send(kGreeting).AwaitLine();
        if (reply != nullptr)
            peer.Send(reply);
        else
            peer.Hangup();
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    }

    Pop3Client client_;

private:
    int startups_ = 0;
};

TEST_F(Pop3CommandsTest, TwoMessageMailboxSendsExactlyTheseCommandsThenCloses) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting)
        .AwaitLine()
        .Send("+OK\r\n")
        .AwaitLine()
        .Send("+OK Logged in.\r\n")
        .AwaitLine()
        .Send("+OK 2 400\r\n")
        .AwaitLine()
        .Send("+OK 1 0\r\n")
        .AwaitLine()
        .Send(MessageReply("From: a\r\nSubject: first", 0))
        .AwaitLine()
        .Send("+OK 2 0\r\n")
        .AwaitLine()
        .Send(MessageReply("Subject: second\r\nFrom: b", 0))
        .Hangup();
    ASSERT_TRUE(peer.Start());

    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    EXPECT_EQ(client_.SendUser("alice"), 1);
    EXPECT_EQ(client_.SendPass("s3cret"), 1);
    ASSERT_EQ(client_.Stat(), 2);
    const char* subjects[] = {"first", "second"};
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(client_.FetchHeader(n), 1);
        char subject[4096];
        EXPECT_EQ(client_.ExtractHeaderField(client_.MessageBuffer(), "Subject:", subject), 1);
        EXPECT_STREQ(subject, subjects[n - 1]);
    }
    client_.Close();
    EXPECT_EQ(peer.Finish(),
              "USER alice\r\nPASS s3cret\r\nSTAT\r\nLIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n");
}

TEST_F(Pop3CommandsTest, UserReplyIsPositiveWhenPlusOkOccursAnywhere) {
    struct Case {
        const char* reply;  // nullptr: the server hangs up
        int expected;
    };
    const Case cases[] = {
        {"+OK\r\n", 1},
        {"-ERR unknown user\r\n", 0},
        {"-ERR odd, but +OK appears later\r\n", 1},
        {"+ok lower case does not count\r\n", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply != nullptr ? c.reply : "(hang-up)");
        ScriptedPop3Peer peer;
        ConnectAnswering(peer, c.reply);
        EXPECT_EQ(client_.SendUser("bob"), c.expected);
        client_.Close();
        EXPECT_EQ(peer.Finish(), "USER bob\r\n");
    }
}

TEST_F(Pop3CommandsTest, StatReadsTheCountBetweenTheFirstTwoSpacesAsSigned16Bits) {
    struct Case {
        const char* why;
        const char* reply;
        int expected;
    };
    const Case cases[] = {
        {"standard form", "+OK 3 670\r\n", 3},
        {"count without a second space", "+OK 3\r\n", 0},
        {"two spaces in a row after +OK", "+OK  3 670\r\n", 0},
        {"negative reply", "-ERR not logged in\r\n", 0},
        {"digits then letters: the leading number", "+OK 12abc 670\r\n", 12},
        {"a sign is read", "+OK -4 670\r\n", -4},
        {"largest positive count", "+OK 32767 1\r\n", 32767},
        {"32768 comes out negative", "+OK 32768 1\r\n", -32768},
        {"65535 comes out as -1", "+OK 65535 1\r\n", -1},
        {"65536 keeps its low 16 bits: 0", "+OK 65536 1\r\n", 0},
        {"70000 keeps its low 16 bits", "+OK 70000 1\r\n", 70000 - 65536},
        {"server hangs up: empty reply", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScriptedPop3Peer peer;
        ConnectAnswering(peer, c.reply);
        EXPECT_EQ(client_.Stat(), c.expected);
        client_.Close();
        EXPECT_EQ(peer.Finish(), "STAT\r\n");
    }
}

TEST_F(Pop3CommandsTest, ListSizeReadsTheNumberBetweenTheSecondSpaceAndCrLf) {
    struct Case {
        const char* why;
        const char* reply;
        int expected;
    };
    const Case cases[] = {
        {"standard form", "+OK 4 236\r\n", 236},
        {"negative reply", "-ERR There's no message 4.\r\n", 0},
        {"no CR LF after the size", "+OK 4 236", 0},
        {"LF alone is no line end", "+OK 4 236\n", 0},
        {"fewer than two spaces", "+OK 236\r\n", 0},
        {"two spaces before the size: blanks skipped", "+OK 4  236\r\n", 236},
        {"text after the size", "+OK 4 236 octets\r\n", 236},
        {"negative size", "+OK 4 -5\r\n", -5},
        {"largest size", "+OK 4 2147483647\r\n", 2147483647},
        {"server hangs up: empty reply", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScriptedPop3Peer peer;
        ConnectAnswering(peer, c.reply);
        EXPECT_EQ(client_.ListSize(4), c.expected);
        client_.Close();
        EXPECT_EQ(peer.Finish(), "LIST 4\r\n");
    }
}

// Each case first fetches a good header on a connection of its own, so an
// empty result cannot be an untouched buffer. Peers hang up after their last
// reply, so no fetch waits for 3 seconds of silence.
TEST_F(Pop3CommandsTest, FetchHeaderKeepsTheTextBeforeTheFirstEmptyLine) {
    struct Case {
        const char* why;
        const char* listReply;
        std::string topReply;  // empty: TOP must not be sent
        std::string expected;
    };
    const std::string pastEnd(200, 'y');
    const std::string huge(70000, 'h');
    const Case cases[] = {
        {"size 0: 128 bytes read, cut at the empty line", "+OK 2 0\r\n",
         "+OK\r\nSubject: two\r\nFrom: b\r\n\r\n" + std::string(150, 'x'),
         "+OK\r\nSubject: two\r\nFrom: b"},
        {"no empty line: the bytes read stay whole", "+OK 2 0\r\n", "+OK\r\nSubject: " + pastEnd,
         ("+OK\r\nSubject: " + pastEnd).substr(0, 128)},
        {"empty line beyond the bytes read", "+OK 2 0\r\n",
         "+OK\r\nSubject: " + pastEnd + "\r\n\r\nbody",
         ("+OK\r\nSubject: " + pastEnd).substr(0, 128)},
        {"huge size: at most 64 KiB + 128 bytes kept", "+OK 2 2000000000\r\n",
         "+OK\r\nSubject: " + huge, ("+OK\r\nSubject: " + huge).substr(0, 65536 + 128)},
        {"largest size", "+OK 2 2147483647\r\n", "+OK\r\nSubject: big\r\n\r\n",
         "+OK\r\nSubject: big"},
        {"negative size", "+OK 2 -5\r\n", "", ""},
        {"most negative size", "+OK 2 -2147483648\r\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        {
            ScriptedPop3Peer previous;
            previous.Send(kGreeting).AwaitLine().Send("+OK 1 0\r\n").AwaitLine();
            previous.Send(MessageReply("Subject: previous", 0)).Hangup();
            ASSERT_TRUE(previous.Start());
            ASSERT_EQ(client_.Connect("127.0.0.1", previous.Port()), 1);
            ASSERT_EQ(client_.FetchHeader(1), 1);
            ASSERT_STREQ(client_.MessageBuffer(), "+OK message follows\r\nSubject: previous");
            client_.Close();
        }
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).AwaitLine().Send(c.listReply);
        if (!c.topReply.empty()) peer.AwaitLine().Send(c.topReply);
        peer.Hangup();
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
        EXPECT_EQ(client_.FetchHeader(2), 1);
        EXPECT_EQ(ByteDump(client_.MessageBuffer()), ByteDump(c.expected));
        client_.Close();
        EXPECT_EQ(peer.Finish(), std::string("LIST 2\r\n") + (c.topReply.empty() ? "" : "TOP 2 0\r\n"));
    }
}

// The rest of a reply longer than its LIST size, arriving in a later chunk,
// is read and dropped: the next command reads its own reply. The status line
// of the first chunk, not the receive buffer's last chunk, makes TOP positive.
TEST_F(Pop3CommandsTest, ReplyLongerThanItsListSizeIsReadToItsEnd) {
    const std::string message = "Subject: first\r\n\r\n" + std::string(700, 'm');
    const std::string firstChunk = "+OK\r\n" + message.substr(0, 300);
    const std::string rest = message.substr(300) + "\r\n.\r\n";
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK 1 " + std::to_string(message.size() - 500) + "\r\n");
    peer.AwaitLine().Send(firstChunk).Pause(300).Send(rest);
    peer.AwaitLine().Send("+OK 2 0\r\n").AwaitLine();
    peer.Send(MessageReply("Subject: second", 0)).Hangup();
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);

    char subject[4096];
    client_.FetchHeader(1);
    client_.ExtractHeaderField(client_.MessageBuffer(), "Subject:", subject);
    EXPECT_STREQ(subject, "first");
    client_.FetchHeader(2);
    client_.ExtractHeaderField(client_.MessageBuffer(), "Subject:", subject);
    EXPECT_STREQ(subject, "second");
    client_.Close();
    EXPECT_EQ(peer.Finish(), "LIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n");
}

// A server without TOP answers it negatively; RETR then brings the header.
TEST_F(Pop3CommandsTest, RefusedTopFallsBackToRetr) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK 1 0\r\n").AwaitLine();
    peer.Send("-ERR unknown command\r\n").AwaitLine();
    peer.Send(MessageReply("Subject: old server", 0)).Hangup();
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    client_.FetchHeader(1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK message follows\r\nSubject: old server");
    client_.Close();
    EXPECT_EQ(peer.Finish(), "LIST 1\r\nTOP 1 0\r\nRETR 1\r\n");
}

// Dropping the rest of a reply has a limit: a server that never stops
// sending is cut off, and the check goes on without a connection.
TEST_F(Pop3CommandsTest, ServerThatNeverStopsSendingIsCutOff) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK 1 0\r\n").AwaitLine();
    peer.Send("+OK\r\nSubject: endless\r\n\r\n").Flood(std::string(4096, 'e'));
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    client_.FetchHeader(1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK\r\nSubject: endless");
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_EQ(client_.ListSize(2), 0);
    EXPECT_EQ(peer.Finish(), "LIST 1\r\nTOP 1 0\r\n");
    EXPECT_TRUE(peer.ClientClosed()) << "cut off, not left to the peer's own time limit";
}

TEST_F(Pop3CommandsTest, WithoutConnectionEveryCommandSeesAnEmptyReply) {
    std::strcpy(client_.ReceiveBuffer(), "stale");
    EXPECT_EQ(client_.ReceiveReply(nullptr, 1), 0);
    EXPECT_STREQ(client_.ReceiveBuffer(), "");
    EXPECT_EQ(client_.SendData("USER x\r\n", 8), 0);
    EXPECT_EQ(client_.SendUser("alice"), 0);
    EXPECT_EQ(client_.SendPass("secret"), 0);
    EXPECT_EQ(client_.Stat(), 0);
    EXPECT_EQ(client_.ListSize(1), 0);
    char output[64];
    std::memset(output, '#', sizeof output);
    EXPECT_EQ(client_.Retrieve(1, output, sizeof output), 0);
    EXPECT_EQ(std::string(output, sizeof output), std::string(sizeof output, '\0'));
    EXPECT_EQ(client_.FetchHeader(1), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "");
}

}  // namespace
