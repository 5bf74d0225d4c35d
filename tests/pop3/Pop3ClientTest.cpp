// The POP3 client against scripted peers, which hang up after their last reply
// where they can so a receive ends without 3 s of silence, and over TLS.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pop3/Pop3Client.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/ScriptedPop3Peer.h"

namespace {

const char kGreeting[] = "+OK ready\r\n";

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class Pop3ClientTest : public ::testing::Test {
protected:
    // Winsock keeps its count to itself; an unpaired start-up shows as a
    // socket that can still be made once every peer is gone.
    void SetUp() override { started_ = WinsockStarted(); }
    void TearDown() override { EXPECT_EQ(WinsockStarted(), started_) << "start-ups unpaired"; }

    void Connect(ScriptedPop3Peer& peer) {
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    }
    Pop3Client client_;
    bool started_ = false;
};

// The first reply, longer than its LIST size, comes as the 228 bytes wanted and
// a later rest, which is read and dropped; the server refuses TOP for the
// second, so RETR brings that header.
TEST_F(Pop3ClientTest, CheckSendsExactlyTheseCommands) {
    const std::string first = "+OK\r\nSubject: first\r\n\r\n" + std::string(400, 'm') + "\r\n.\r\n";
    ScriptedPop3Peer peer;
    peer.Send(kGreeting).AwaitLine().Send("+OK\r\n").AwaitLine().Send("+OK Logged in.\r\n");
    peer.AwaitLine().Send("+OK 2 400\r\n").AwaitLine().Send("+OK 1 100\r\n").AwaitLine();
    peer.Send(first.substr(0, 228)).Pause(300).Send(first.substr(228));
    peer.AwaitLine().Pause(300).Send("+OK 2 0\r\n").AwaitLine().Send("-ERR unknown command\r\n");
    peer.AwaitLine().Send("+OK\r\nSubject: second\r\n\r\n" + std::string(128, 'b')).Hangup();
    ASSERT_TRUE(peer.Start());

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client_.Connect("localhost", 0x10000 + peer.Port()), 1) << "the low 16 bits";
    EXPECT_LT(SecondsSince(start), 2.0) << "the greeting is one chunk";
    EXPECT_STREQ(client_.ReceiveBuffer(), kGreeting);
    EXPECT_STREQ(client_.Host(), "localhost");
    EXPECT_EQ(client_.Port(), peer.Port());
    EXPECT_EQ(client_.SendUser("alice"), 1);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(client_.SendPass("s3cret"), 1);
    EXPECT_GE(SecondsSince(start), 2.9) << "PASS waits for 1024 bytes: 3 s of silence";
    EXPECT_EQ(client_.Stat(), 2);
    EXPECT_EQ(client_.FetchHeader(1), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK\r\nSubject: first");
    EXPECT_EQ(client_.FetchHeader(2), 1);
    EXPECT_STREQ(client_.MessageBuffer(), "+OK\r\nSubject: second");
    EXPECT_EQ(client_.Close(), 1);
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_EQ(client_.Close(), 0);
    EXPECT_EQ(peer.Finish(),
              "USER alice\r\nPASS s3cret\r\nSTAT\r\nLIST 1\r\nTOP 1 0\r\nLIST 2\r\nTOP 2 0\r\n"
              "RETR 2\r\n");
}

TEST_F(Pop3ClientTest, WhatEachReplyMakesOfItsCommand) {
    enum Command { kUser, kPass, kStat, kList };
    const char* const sent[] = {"USER bob\r\n", "PASS pw\r\n", "STAT\r\n", "LIST 4\r\n"};
    struct {
        Command command;
        const char* reply;  // nullptr: the server hangs up
        int expected;
    } const cases[] = {
        {kUser, "+OK\r\n", 1},
        {kUser, "-ERR unknown user\r\n", 0},
        {kUser, "-ERR odd, but +OK appears\r\n", 1},
        {kUser, "+ok\r\n", 0},
        {kPass, "+OK Logg", 1},       // wanting 1024 bytes, ended by the close
        {kStat, "+OK 3 670\r\n", 3},  // between the first two spaces
        {kStat, "+OK 3\r\n", 0},
        {kStat, "+OK  3 670\r\n", 0},
        {kStat, "-ERR not logged in\r\n", 0},
        {kStat, "+OK 12abc 670\r\n", 12},
        {kStat, "+OK 98304 1\r\n", -32768},  // the low 16 bits, signed
        {kStat, nullptr, 0},
        {kList, "+OK 4 236\r\n", 236},  // between the second space and CR LF
        {kList, "-ERR no such message\r\n", 0},
        {kList, "+OK 4 236", 0},
        {kList, "+OK 4 236\n", 0},
        {kList, "+OK 236\r\n", 0},
        {kList, "+OK 4  236 octets\r\n", 236},
        {kList, "+OK 4 -5\r\n", -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(sent[c.command]) + (c.reply ? c.reply : "(hang-up)"));
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).AwaitLine();
        if (c.reply != nullptr) peer.Send(c.reply);
        peer.Hangup();
        Connect(peer);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.command == kUser   ? client_.SendUser("bob")
                  : c.command == kPass ? client_.SendPass("pw")
                  : c.command == kStat ? client_.Stat()
                                       : client_.ListSize(4),
                  c.expected);
        EXPECT_LT(SecondsSince(start), 2.0);
        // Sending into the closed connection fails quietly: no signal ends the process.
        client_.SendData("STAT\r\n", 6);
        client_.SendData("STAT\r\n", 6);
        EXPECT_EQ(client_.Close(), 1) << "the server's close does not close our side";
        EXPECT_EQ(peer.Finish(), sent[c.command]);
    }
}

// The header is the text before the first empty line of what was read: the
// LIST size (at most 64 KiB) and 128 bytes. Each row leaving it empty follows
// one that filled it, so an untouched buffer cannot pass.
TEST_F(Pop3ClientTest, FetchHeaderKeepsTheTextBeforeTheFirstEmptyLine) {
    const std::string y200(200, 'y'), h70000(70000, 'h');
    const std::string cases[][3] = {
        // The LIST reply, the TOP reply (none: TOP must not be sent), the header.
        {"+OK 2 0\r\n", "+OK\r\nSubject: two\r\nFrom: b\r\n\r\n" + y200,
         "+OK\r\nSubject: two\r\nFrom: b"},
        {"+OK 2 -1\r\n", "", ""},
        {"+OK 2 0\r\n", "+OK\r\nSubject: " + y200, ("+OK\r\nSubject: " + y200).substr(0, 128)},
        {"+OK 2 -2147483648\r\n", "", ""},
        {"+OK 2 2000000000\r\n", "+OK\r\nSubject: " + h70000,
         ("+OK\r\nSubject: " + h70000).substr(0, 65536 + 128)},
        {"+OK 2 2147483647\r\n", "+OK\r\nSubject: big\r\n\r\n", "+OK\r\nSubject: big"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).AwaitLine().Send(c[0]);
        // Without a TOP reply the peer stays, to record any command sent.
        if (!c[1].empty()) peer.AwaitLine().Send(c[1]).Hangup();
        Connect(peer);
        EXPECT_EQ(client_.FetchHeader(2), 1);
        EXPECT_EQ(client_.MessageBuffer(), c[2]);
        EXPECT_EQ(client_.ReceiveBuffer()[Pop3Client::kReceiveBufferSize - 1], '\0');
        client_.Close();
        EXPECT_EQ(peer.Finish(), c[1].empty() ? "LIST 2\r\n" : "LIST 2\r\nTOP 2 0\r\n");
    }
}

// 7 bytes, then 3 more: joined in the output, zeros behind them; the receive
// buffer holds the last chunk over the first.
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

// Connects that bring no greeting: none leaves an earlier one on show, and a
// failed one leaves no connection. The 3-second readiness rule ends a silent
// greeting; the 5-second limit an unanswered attempt and a silent TLS
// handshake, which sends its hello (one record) and nothing else.
TEST_F(Pop3ClientTest, ConnectsWithoutAGreeting) {
    StalledLoopbackListener stalled;
    ScriptedPop3Peer silent, silentTls;
    ASSERT_TRUE(silent.Start() && silentTls.Start() && stalled.Port() != 0);
    const std::string longName(600, 'a');  // longer than DNS allows: no lookup
    struct {
        const char* host;
        int port;
        bool tls;
        int expected;
        double minSeconds, maxSeconds;
    } const cases[] = {
        {"127.0.0.1", silent.Port(), false, 1, 2.9, 10},
        {"127.0.0.1", UnusedLoopbackPort(), false, 0, 0, 3},
        {"127.0.0.1", stalled.Port(), false, 0, 4, 15},
        {"127.0.0.1", silentTls.Port(), true, 0, 4.5, 8},
        {"127.0.0.1", 0, false, 0, 0, 3},  // port 110
        {longName.c_str(), 110, false, 0, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        std::strcpy(client_.ReceiveBuffer(), "stale");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client_.Connect(c.host, c.port, c.tls), c.expected);
        EXPECT_GE(SecondsSince(start), c.minSeconds);
        EXPECT_LT(SecondsSince(start), c.maxSeconds);
        EXPECT_EQ(std::string(client_.Host()), std::string(c.host).substr(0, 511));
        EXPECT_EQ(client_.Port(), c.port == 0 ? 110 : c.port & 0xFFFF);
        EXPECT_STREQ(client_.ReceiveBuffer(), "");
        EXPECT_EQ(client_.IsOpen(), c.expected == 1);
        EXPECT_EQ(client_.Close(), c.expected);
        std::strcpy(client_.ReceiveBuffer(), "stale");
        EXPECT_EQ(client_.SendUser("alice"), 0);
        EXPECT_STREQ(client_.ReceiveBuffer(), "") << "no connection: an empty reply";
    }
    EXPECT_EQ(silent.Finish(), "");
    const std::string hello = silentTls.Finish();
    EXPECT_TRUE(silentTls.ClientClosed());
    ASSERT_GE(hello.size(), 5u);
    EXPECT_EQ(hello[0], '\x16');
    EXPECT_EQ(hello.size(), 5u + (static_cast<unsigned char>(hello[3]) << 8) +
                                static_cast<unsigned char>(hello[4]));
}

TEST_F(Pop3ClientTest, DestroyingAnOpenClientClosesItWithoutAWord) {
    ScriptedPop3Peer peer;
    peer.Send(kGreeting);
    ASSERT_TRUE(peer.Start());
    std::make_unique<Pop3Client>()->Connect("127.0.0.1", peer.Port());
    EXPECT_EQ(peer.Finish(), "") << "not even QUIT";
    EXPECT_TRUE(peer.ClientClosed());
}

// Dropping a reply's rest has a limit: a server that never stops sending is
// cut off, and the check goes on without a connection.
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
    EXPECT_TRUE(peer.ClientClosed()) << "cut off, not left to the peer's time limit";
}

// The unfolded value of the first line that starts with the field name.
TEST_F(Pop3ClientTest, ExtractHeaderField) {
    const std::string s = "+OK 300 octets\r\n", longName(2000, 'N');
    const std::string filled = s + "X-Filler: " + std::string(8100, 'f') + "\r\nSubject: ";
    const std::string cases[][3] = {
        {s + "From: a\r\nSubject: Hello\r\nTo: b", "Subject:", "Hello"},
        {s + "Subject:Hello\r\nTo: b", "Subject:", "ello"},  // one character skipped
        {s + "From: a\r\nSubject: at the end", "Subject:", "at the end"},
        {s + "X-Subject: no\r\nTo: b", "Subject:", ""},
        {s + "Subject:", "Subject:", ""},
        {s + "Subject:\r\nFrom: a\r\nTo: b", "Subject:", "\nFrom: a"},
        // Folded lines lose their line break and one blank.
        {s + "Subject: first\r\n second\r\nTo: b", "Subject:", "firstsecond"},
        {s + "Subject: first\r\n  second\r\nTo: b", "Subject:", "first second"},
        {s + "Subject: a\r\n b\r\n\tc\r\n  d\r\nTo: x", "Subject:", "abc d"},
        {s + "Subject: a\r\n", "Subject:", "a"},
        {s + "Subject: " + std::string(1500, 'v'), "Subject:", std::string(1023, 'v')},
        // Only the first 8191 characters are searched: the value is cut there.
        {filled + std::string(200, 'w'), "Subject:", std::string(8191 - filled.size(), 'w')},
        {s + longName + ": x", longName, "x"},  // the name is cut to fit the key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0].substr(0, 60));
        char output[4096];
        std::memset(output, '#', sizeof output);
        std::string source = c[0];
        EXPECT_EQ(client_.ExtractHeaderField(source.c_str(), c[1].c_str(), output), 1);
        EXPECT_EQ(output, c[2]);
        EXPECT_EQ(source, c[0]) << "the source is never changed";
        EXPECT_EQ(output[1024], '#') << "nothing written past 1024 bytes";
    }
}

// By name and by address, about 150 KB arrive equal to the same reply on the
// plain port, and no chunk waits out the 3-second rule: bytes the channel holds
// count as ready. Certificates that do not verify are refused with nothing
// sent; each decoy must log the connection, or a wrong port would pass.
TEST_F(Pop3ClientTest, DovecotTls) {
    DovecotServer dovecot;
    ASSERT_TRUE(FindDovecot(dovecot));
    const std::string commands =
        std::string("USER reader\r\nPASS ") + kDovecotPassword + "\r\nTOP 6 2000\r\n";
    auto send = [&](const char* host, int port) {
        EXPECT_EQ(client_.Connect(host, port, port == dovecot.tlsPort), 1) << host;
        EXPECT_STREQ(client_.ReceiveBuffer(), "+OK Dovecot (Debian) ready.\r\n");
        client_.SendData(commands.data(), static_cast<int>(commands.size()));
    };
    std::vector<char> plain(1 << 20);
    send(dovecot.host.c_str(), dovecot.port);
    plain.resize(static_cast<std::size_t>(client_.ReceiveReply(plain.data(), 1 << 20)));
    client_.Close();
    ASSERT_GT(plain.size(), 100000u);
    for (const char* host : {"localhost", "127.0.0.1"}) {
        std::vector<char> reply(plain.size());
        send(host, dovecot.tlsPort);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client_.ReceiveReply(reply.data(), static_cast<int>(reply.size())),
                  static_cast<int>(reply.size()));
        EXPECT_LT(SecondsSince(start), 2.5);
        EXPECT_TRUE(reply == plain) << host;
        client_.Close();
    }

    std::map<std::string, int> ports;
    std::ifstream endpoints(dovecot.folder + "/decoys/endpoints");
    for (std::string name; endpoints >> name;)
        endpoints >> ports[name];
    ASSERT_EQ(ports.size(), 3u) << "no decoys: run through ctest (fixture \"tls\")";
    const char* const cases[][2] = {{"untrusted", "localhost"},
                                    {"wrong-name", "localhost"},
                                    {"wrong-name", "127.0.0.1"},
                                    {"expired", "localhost"}};
    for (const auto& c : cases)
        EXPECT_EQ(client_.Connect(c[1], ports[c[0]], true), 0) << c[0] << " " << c[1];
    std::stringstream log;
    log << std::ifstream(dovecot.folder + "/decoys/log").rdbuf();
    for (const auto& decoy : ports)
        EXPECT_NE(log.str().find(std::to_string(decoy.second) + " accepted"), std::string::npos)
            << decoy.first << " was never reached";
    EXPECT_EQ(log.str().find("received"), std::string::npos) << log.str();
}

}  // namespace
