// The POP3 client against scripted peers, which hang up after their last reply
// where they can so a receive ends without 3 s of silence, and over TLS.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>

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
    // Winsock hides its count: an unpaired start-up leaves sockets possible after every peer.
    void TearDown() override { EXPECT_EQ(WinsockStarted(), started_) << "start-ups unpaired"; }

    void Connect(ScriptedPop3Peer& peer) {
        ASSERT_TRUE(peer.Start());
        ASSERT_EQ(client_.Connect("127.0.0.1", peer.Port()), 1);
    }
    const bool started_ = WinsockStarted();
    Pop3Client client_;
};

// The first reply, longer than its LIST size, comes as the 228 bytes wanted and a rest that is
// dropped; the server refuses TOP for the second, so RETR brings that header.
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
    struct {
        const char *sent, *reply;  // an empty reply: the server just hangs up
        int expected;
    } const cases[] = {
        {"USER bob\r\n", "+OK\r\n", 1},
        {"USER bob\r\n", "-ERR unknown user\r\n", 0},
        {"USER bob\r\n", "-ERR odd, but +OK appears\r\n", 1},
        {"USER bob\r\n", "+ok\r\n", 0},
        {"PASS pw\r\n", "+OK Logg", 1},    // wanting 1024 bytes, ended by the close
        {"STAT\r\n", "+OK 3 670\r\n", 3},  // between the first two spaces
        {"STAT\r\n", "+OK 3\r\n", 0},
        {"STAT\r\n", "+OK  3 670\r\n", 0},
        {"STAT\r\n", "-ERR not logged in\r\n", 0},
        {"STAT\r\n", "+OK 12abc 670\r\n", 12},
        {"STAT\r\n", "+OK 98304 1\r\n", -32768},  // the low 16 bits, signed
        {"STAT\r\n", "", 0},
        {"LIST 4\r\n", "+OK 4 236\r\n", 236},  // between the second space and CR LF
        {"LIST 4\r\n", "-ERR no such message\r\n", 0},
        {"LIST 4\r\n", "+OK 4 236", 0},
        {"LIST 4\r\n", "+OK 4 236\n", 0},
        {"LIST 4\r\n", "+OK 236\r\n", 0},
        {"LIST 4\r\n", "+OK 4  236 octets\r\n", 236},
        {"LIST 4\r\n", "+OK 4 -5\r\n", -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sent) + c.reply);
        ScriptedPop3Peer peer;
        peer.Send(kGreeting).AwaitLine().Send(c.reply).Hangup();
        Connect(peer);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.sent[0] == 'U'   ? client_.SendUser("bob")
                  : c.sent[0] == 'P' ? client_.SendPass("pw")
                  : c.sent[0] == 'S' ? client_.Stat()
                                     : client_.ListSize(4),
                  c.expected);
        EXPECT_LT(SecondsSince(start), 2.0);
        // Sending into the closed connection fails quietly: no signal ends the process.
        client_.SendData("STAT\r\n", 6);
        client_.SendData("STAT\r\n", 6);
        EXPECT_EQ(client_.Close(), 1) << "the server's close does not close our side";
        EXPECT_EQ(peer.Finish(), c.sent);
    }
}

// The text before the first empty line of the LIST size (at most 64 KiB) and 128 bytes.
// Each row leaving it empty follows one that filled it: an untouched buffer cannot pass.
TEST_F(Pop3ClientTest, FetchHeaderKeepsTheTextBeforeTheFirstEmptyLine) {
    const std::string two = "+OK\r\nSubject: two\r\nFrom: b", y200(200, 'y'),
                      big = "+OK\r\nSubject: " + std::string(70000, 'h');
    const std::string cases[][3] = {
        // The LIST reply, the TOP reply (none: TOP must not be sent), the header.
        {"+OK 2 0\r\n", two + "\r\n\r\n" + y200, two},
        {"+OK 2 -1\r\n", "", ""},
        {"+OK 2 0\r\n", "+OK\r\nSubject: " + y200, ("+OK\r\nSubject: " + y200).substr(0, 128)},
        {"+OK 2 -2147483648\r\n", "", ""},
        {"+OK 2 2000000000\r\n", big, big.substr(0, 65536 + 128)},
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

// The receive buffer holds the last chunk over the first. The peer stays, so the client's
// destruction must close the connection.
TEST_F(Pop3ClientTest, ChunksAreJoinedAndDestroyingAnOpenClientClosesItWithoutAWord) {
    ScriptedPop3Peer peer;
    ASSERT_TRUE(peer.Send(kGreeting).AwaitLine().Send("+OK 7by").Pause(500).Send("te!").Start());
    auto client = std::make_unique<Pop3Client>();
    ASSERT_EQ(client->Connect("127.0.0.1", peer.Port()), 1);
    std::string output(1024, '#');
    EXPECT_EQ(client->Retrieve(1, &output[0], 1024), 10);
    EXPECT_EQ(output, "+OK 7byte!" + std::string(1014, '\0'));
    EXPECT_EQ(std::string(client->ReceiveBuffer(), 8), std::string("te! 7by\0", 8));
    client.reset();
    EXPECT_EQ(peer.Finish(), "RETR 1\r\n") << "not even QUIT";
    EXPECT_TRUE(peer.ClientClosed());
}

// None leaves an earlier greeting on show; a failed one leaves no connection. The 3-second rule
// ends a silent greeting; the 5-second limit an unanswered attempt and a silent TLS handshake,
// which sends its hello (one record) and nothing else.
TEST_F(Pop3ClientTest, ConnectsWithoutAGreeting) {
    StalledLoopbackListener stalled;
    ScriptedPop3Peer silent, silentTls;
    ASSERT_TRUE(silent.Start() && silentTls.Start() && stalled.port != 0);
    const std::string longName(600, 'a');  // longer than DNS allows: no lookup
    struct {
        const char* host;
        int port, expected;
        double minSeconds, maxSeconds;
    } const cases[] = {
        {"127.0.0.1", silent.Port(), 1, 2.9, 10},
        {"127.0.0.1", UnusedLoopbackPort(), 0, 0, 3},
        {"127.0.0.1", stalled.port, 0, 4, 15},
        {"127.0.0.1", silentTls.Port(), 0, 4.5, 8},
        {"127.0.0.1", 0, 0, 0, 3},  // port 110
        {longName.c_str(), 110, 0, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        std::strcpy(client_.ReceiveBuffer(), "stale");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client_.Connect(c.host, c.port, c.port == silentTls.Port()), c.expected);
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
    ASSERT_TRUE(hello.size() >= 5 && hello[0] == '\x16') << hello.size();
    EXPECT_EQ(hello.size(), 5u + (static_cast<unsigned char>(hello[3]) << 8) +
                                static_cast<unsigned char>(hello[4]));
}

// The wait callback: counts its calls and closes the client at the third.
Pop3Client* g_waitingClient = nullptr;
int g_waitCalls = 0;
void CloseAtThirdCall() {
    if (++g_waitCalls == 3) g_waitingClient->Close();
}

// Every wait asks the callback between slices of at most 50 ms; a close made there ends the
// wait at once and the connection with it (under ASan: never under a TLS call still using it).
TEST_F(Pop3ClientTest, EveryWaitAnswersTheCallbackAndACloseThereEndsIt) {
    StalledLoopbackListener stalled;
    ScriptedPop3Peer silent, silentTls;
    ASSERT_TRUE(silent.Start() && silentTls.Start() && stalled.port != 0);
    g_waitingClient = &client_;
    client_.SetWaitCallback(CloseAtThirdCall);
    for (unsigned short port : {stalled.port, silent.Port(), silentTls.Port()}) {
        SCOPED_TRACE(port);
        g_waitCalls = 0;
        const auto start = std::chrono::steady_clock::now();
        client_.Connect("127.0.0.1", port, port == silentTls.Port());
        EXPECT_EQ(g_waitCalls, 3);
        EXPECT_LT(SecondsSince(start), 1.5) << "not the wait's own limit";
        EXPECT_FALSE(client_.IsOpen());
        EXPECT_EQ(client_.SendUser("alice"), 0) << "nothing more is sent";
    }
    client_.SetWaitCallback(nullptr);
    EXPECT_EQ(silent.Finish(), "");
    silentTls.Finish();  // until it has seen the close
    EXPECT_TRUE(silent.ClientClosed() && silentTls.ClientClosed());
}

// Dropping a reply's rest has a limit; the check goes on without a connection.
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
        // Folded lines lose their line break only: the blanks after it stay.
        {s + "Subject: first\r\n second\r\nTo: b", "Subject:", "first second"},
        {s + "Subject: a\r\n b\r\n\tc\r\n  d\r\nTo: x", "Subject:", "a b\tc  d"},
        {s + "Subject: a\r\n", "Subject:", "a"},
        {s + "Subject: " + std::string(1500, 'v'), "Subject:", std::string(1023, 'v')},
        // Only the first 8191 characters are searched: the value is cut there.
        {filled + std::string(200, 'w'), "Subject:", std::string(8191 - filled.size(), 'w')},
        {s + longName + ": x", longName, "x"},  // the name is cut to fit the key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0].substr(0, 60));
        std::string output(4096, '#'), source = c[0];
        EXPECT_EQ(client_.ExtractHeaderField(source.c_str(), c[1].c_str(), &output[0]), 1);
        EXPECT_EQ(output.c_str(), c[2]);
        EXPECT_EQ(source, c[0]) << "the source is never changed";
        EXPECT_EQ(output[1024], '#') << "nothing written past 1024 bytes";
    }
}

// By name and by address, about 150 KB arrive equal to the plain port's reply, and no chunk
// waits out the 3-second rule: bytes the channel holds count as ready. Certificates that do
// not verify are refused with nothing sent; each decoy must log the connection, or a wrong
// port would pass.
TEST_F(Pop3ClientTest, DovecotTls) {
    DovecotServer dovecot;
    ASSERT_TRUE(FindDovecot(dovecot));
    const std::string commands =
        std::string("USER reader\r\nPASS ") + kDovecotPassword + "\r\nTOP 9 2000\r\n";
    std::string plain;  // first, the plain port's reply, ended by 3 s of silence
    for (const char* host : {dovecot.host.c_str(), "localhost", "127.0.0.1"}) {
        const bool tls = !plain.empty();
        EXPECT_EQ(client_.Connect(host, tls ? dovecot.tlsPort : dovecot.port, tls), 1) << host;
        EXPECT_STREQ(client_.ReceiveBuffer(), "+OK Dovecot (Debian) ready.\r\n");
        client_.SendData(commands.data(), static_cast<int>(commands.size()));
        std::string reply(tls ? plain.size() : 1 << 20, '\0');
        const auto start = std::chrono::steady_clock::now();
        reply.resize(static_cast<std::size_t>(
            client_.ReceiveReply(&reply[0], static_cast<int>(reply.size()))));
        EXPECT_LT(tls ? SecondsSince(start) : 0, 2.5) << host;
        client_.Close();
        if (!tls) plain = reply;
        EXPECT_TRUE(reply == plain) << host;
        ASSERT_GT(plain.size(), 100000u);
    }

    std::map<std::string, int> ports;
    std::ifstream endpoints(dovecot.folder + "/decoys/endpoints");
    for (std::string name; endpoints >> name;)
        endpoints >> ports[name];
    ASSERT_EQ(ports.size(), 3u) << "no decoys: run through ctest (fixture \"tls\")";
    for (const auto& decoy : ports)
        EXPECT_EQ(client_.Connect("localhost", decoy.second, true), 0) << decoy.first;
    EXPECT_EQ(client_.Connect("127.0.0.1", ports["wrong-name"], true), 0) << "by address";
    std::string log;
    std::getline(std::ifstream(dovecot.folder + "/decoys/log"), log, '\0');
    for (const auto& decoy : ports)
        EXPECT_NE(log.find(std::to_string(decoy.second) + " accepted"), std::string::npos)
            << decoy.first << " was never reached";
    EXPECT_EQ(log.find("received"), std::string::npos) << log;
}

}  // namespace
