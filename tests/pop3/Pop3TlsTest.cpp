// POP3 over TLS on both targets. Against the throwaway Dovecot's TLS listener
// the exchange is the plain one; a server whose certificate does not verify,
// or that never answers the handshake, is a failed connect with nothing sent.
// The "tls" fixture serves the certificates to refuse and makes the Dovecot
// fixture's test CA trusted (tests/support/CMakeLists.txt); the Dovecot
// fixture's stop fails if any message was marked read.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pop3/Pop3Client.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/SocketChecks.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string DecoyFile(const DovecotServer& server, const char* name) {
    std::ifstream file(server.folder + "/decoys/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What Dovecot sends for "TOP n lines" of a message stored with LF line ends.
std::string TopReply(const std::string& message, int bodyLines) {
    std::istringstream in(message);
    std::string reply = "+OK\r\n";
    bool body = false;
    for (std::string line; std::getline(in, line) && (!body || bodyLines-- > 0);) {
        body = body || line.empty();
        reply += line + "\r\n";
    }
    return reply + ".\r\n";
}

TEST(DovecotTls, ExchangeByNameShowsEverySubject) {
    const char* const subjects[] = {
        "Quarterly report is ready",
        "\x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9",  // 会議のお知らせ
        "Lunch on Friday?",
    };
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    const int startups = OutstandingStartups();
    {
        Pop3Client client;
        ASSERT_EQ(client.Connect("localhost", server.tlsPort, true), 1);
        EXPECT_STREQ(client.ReceiveBuffer(), "+OK Dovecot (Debian) ready.\r\n");
        EXPECT_EQ(client.SendUser("trio"), 1);
        EXPECT_EQ(client.SendPass(kDovecotPassword), 1) << client.ReceiveBuffer();
        ASSERT_EQ(client.Stat(), 3);
        for (int n = 1; n <= 3; ++n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(client.FetchHeader(n), 1);
            char subject[4096];
            client.ExtractHeaderField(client.MessageBuffer(), "Subject:", subject);
            client.Decoder().DecodeHeaderValue(subject, subject, sizeof subject);
            EXPECT_EQ(std::string(subject), subjects[n - 1]);
        }
        EXPECT_EQ(client.Close(), 1);
    }
    EXPECT_EQ(OutstandingStartups(), startups);
}

// About 150 KB: many records, each read in receive-buffer chunks. Bytes the
// channel holds count as ready, so no chunk waits out the 3-second rule.
TEST(DovecotTls, LongReplyByAddressArrivesWholeWithoutWaits) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    std::string expected;
    for (const std::string& message : PlacedMessages(server, "reader")) {
        if (message.find("Subject: Large attachment") != std::string::npos)
            expected = TopReply(message, 2000);
    }
    ASSERT_GT(expected.size(), 100000u);
    Pop3Client client;
    ASSERT_EQ(client.Connect("127.0.0.1", server.tlsPort, true), 1);
    EXPECT_EQ(client.SendUser("reader"), 1);
    EXPECT_EQ(client.SendPass(kDovecotPassword), 1);
    const char command[] = "TOP 6 2000\r\n";
    ASSERT_EQ(client.SendData(command, sizeof command - 1), static_cast<int>(sizeof command - 1));
    std::vector<char> reply(expected.size());
    const int wanted = static_cast<int>(reply.size());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.ReceiveReply(reply.data(), wanted), wanted);
    EXPECT_LT(SecondsSince(start), 2.5);
    EXPECT_TRUE(std::string(reply.begin(), reply.end()) == expected);
    client.Close();
}

TEST(DovecotTls, UnverifiedCertificatesAreRefusedWithNothingSent) {
    struct Case {
        const char* why;
        const char* decoy;
        const char* host;
    };
    const Case cases[] = {
        {"issued by a CA nobody trusts", "untrusted", "localhost"},
        {"for another name", "wrong-name", "localhost"},
        {"without the address", "wrong-name", "127.0.0.1"},
        {"expired", "expired", "localhost"},
    };
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    std::map<std::string, int> ports;
    std::istringstream endpoints(DecoyFile(server, "endpoints"));
    for (std::string name; endpoints >> name;)
        endpoints >> ports[name];
    const int startups = OutstandingStartups();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_NE(ports[c.decoy], 0) << "no decoy server: run through ctest (fixture \"tls\")";
        Pop3Client client;
        EXPECT_EQ(client.Connect(c.host, ports[c.decoy], true), 0);
        EXPECT_FALSE(client.IsOpen());
        EXPECT_STREQ(client.ReceiveBuffer(), "") << "the screen shows a refused connection";
        EXPECT_EQ(client.SendUser("reader"), 0);
    }
    EXPECT_EQ(OutstandingStartups(), startups);
    const std::string log = DecoyFile(server, "log");
    for (const auto& decoy : ports)
        EXPECT_NE(log.find(std::to_string(decoy.second) + " accepted"), std::string::npos)
            << decoy.first << " was never reached";
    EXPECT_EQ(log.find("received"), std::string::npos) << log;
}

// The peer accepts and never answers: the client gives up with the connect's
// limit, having sent its hello (one TLS handshake record) and nothing else.
TEST(Pop3Tls, SilentHandshakeEndsWithinTheConnectLimit) {
    ScriptedPop3Peer peer;
    ASSERT_TRUE(peer.Start());
    Pop3Client client;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Connect("127.0.0.1", peer.Port(), true), 0);
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 4.5);
    EXPECT_LT(seconds, 8.0);
    EXPECT_FALSE(client.IsOpen());
    const std::string sent = peer.Finish();
    EXPECT_TRUE(peer.ClientClosed());
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(sent[0], '\x16');
    EXPECT_EQ(sent.size(), 5u + (static_cast<unsigned char>(sent[3]) << 8) +
                               static_cast<unsigned char>(sent[4]));
}

}  // namespace
