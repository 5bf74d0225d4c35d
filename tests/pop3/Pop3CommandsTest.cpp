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

// A RETR reply that is longer than its LIST size of 0 plus 128, so reading it
// ends at once instead of after 3 seconds of silence.
std::string RetrReply(const std::string& headerLines) {
    return "+OK message follows\r\n" + headerLines + "\r\n\r\n" + std::string(160, 'b') +
           "\r\n.\r\n";
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
        .Send(RetrReply("From: a\r\nSubject: first"))
        .AwaitLine()
        .Send("+OK 2 0\r\n")
        .AwaitLine()
        .Send(RetrReply("Subject: second\r\nFrom: b"));
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
    EXPECT_EQ(client_.Close(), 1);

    const std::string sent = peer.Finish();
    EXPECT_EQ(sent,
              "USER alice\r\nPASS s3cret\r\nSTAT\r\nLIST 1\r\nRETR 1\r\nLIST 2\r\nRETR 2\r\n");
    EXPECT_TRUE(peer.ClientClosed());
    EXPECT_EQ(sent.find("QUIT"), std::string::npos);
    EXPECT_EQ(sent.find("DELE"), std::string::npos);
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

// Each case first fetches a good header for message 1, so an empty result
// cannot be an untouched buffer.
TEST_F(Pop3CommandsTest, FetchHeaderKeepsTheTextBeforeTheFirstEmptyLine) {
    struct Case {
        const char* why;
        const char* listReply;
        std::string retrReply;  // empty: RETR must not be sent
        std::string expected;
    };
    const std::string pastEnd(200, 'y');
    const Case cases[] = {
        {"size 0: 128 bytes read, cut at the empty line", "+OK 2 0\r\n",
         "+OK\r\nSubject: two\r\nFrom: b\r\n\r\n" + std::string(150, 'x'),
         "+OK\r\nSubject: two\r\nFrom: b"},
        {"no empty line: the bytes read stay whole", "+OK 2 0\r\n", "+OK\r\nSubject: " + pastEnd,
         ("+OK\r\nSubject: " + pastEnd).substr(0, 128)},
        {"empty line beyond the bytes read", "+OK 2 0\r\n",
         "+OK\r\nSubject: " + pastEnd + "\r\n\r\nbody",
         ("+OK\r\nSubject: " + pastEnd).substr(0, 128)},
        {"negative size", "+OK 2 -5\r\n", "", ""},
        {"most negative size", "+OK 2 -2147483648\r\n", "", ""},
        {"size + 129 overflows", "+OK 2 2147483647\r\n", "", ""},
        {"size + 129 overflows by one", "+OK 2 2147483519\r\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ScriptedPop3Peer peer;
        peer.Send(kGreeting)
            .AwaitLine()
            .Send("+OK 1 0\r\n")
            .AwaitLine()
            .Send(RetrReply("Subject: previous"))
            .AwaitLine()
            .Send(c.listReply);
        if (!c.retrReply.empty()) peer.AwaitLine().Send(c.retrReply);
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
        ASSERT_EQ(client_.FetchHeader(1), 1);
        ASSERT_STREQ(client_.MessageBuffer(), "+OK message follows\r\nSubject: previous");

        EXPECT_EQ(client_.FetchHeader(2), 1);
        EXPECT_EQ(ByteDump(client_.MessageBuffer()), ByteDump(c.expected));
        client_.Close();
        EXPECT_EQ(peer.Finish(), std::string("LIST 1\r\nRETR 1\r\nLIST 2\r\n") +
                                     (c.retrReply.empty() ? "" : "RETR 2\r\n"));
    }
}

// What lies beyond the size + 128 bytes, in a later chunk, stays on the
// connection and is what the next command reads first.
TEST_F(Pop3CommandsTest, RetrReplyLongerThanSizePlus128SpillsIntoTheNextReply) {
    const std::string firstChunk = "+OK 10 octets\r\nSubject: long\r\n\r\n" + std::string(150, 'm');
    const char rest[] = "rest of the message\r\n.\r\n";
    ScriptedPop3Peer peer;
    peer.Send(kGreeting)
        .AwaitLine()
        .Send("+OK 1 10\r\n")
        .AwaitLine()
        .Send(firstChunk)
        .Pause(300)
        .Send(rest);
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);

    EXPECT_EQ(client_.FetchHeader(1), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK 10 octets\r\nSubject: long");
    EXPECT_EQ(client_.ListSize(2), 0) << "parsed from the rest of message 1";
    EXPECT_STREQ(client_.ReceiveBuffer(), rest);
    client_.Close();
    EXPECT_EQ(peer.Finish(), "LIST 1\r\nRETR 1\r\nLIST 2\r\n");
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
