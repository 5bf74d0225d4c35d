// The client against a real Dovecot on 127.0.0.1 (the "dovecot" ctest fixture),
// where the check cycle's Dovecot tests, which show every decoded Subject on the
// screen, do not look: the header alone comes back, a wrong password is
// refused, and no message is removed, changed or (the fixture's stop checks)
// marked read.
#include <gtest/gtest.h>

#include <cstring>

#include "pop3/Pop3Client.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/SocketChecks.h"

namespace {

TEST(DovecotExchange, HeaderOnlyAndNoMessageChanged) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    const int startups = OutstandingStartups();
    {
        Pop3Client client;
        ASSERT_EQ(client.Connect(server.host.c_str(), server.port), 1);
        EXPECT_EQ(std::strncmp(client.ReceiveBuffer(), "+OK Dovecot", 11), 0);
        EXPECT_EQ(client.SendUser("reader"), 1);
        EXPECT_EQ(client.SendPass(kDovecotPassword), 1) << client.ReceiveBuffer();
        ASSERT_EQ(client.Stat(), 6);
        EXPECT_EQ(client.FetchHeader(6), 1);  // the one with a large attachment
        const char* header = client.MessageBuffer();
        EXPECT_EQ(std::strncmp(header, "+OK\r\n", 5), 0) << header;
        EXPECT_NE(std::strstr(header, "\r\nSubject: Large attachment\r\n"), nullptr) << header;
        EXPECT_LT(std::strlen(header), 400u) << "the header alone";
        EXPECT_EQ(client.Close(), 1);
    }
    EXPECT_EQ(OutstandingStartups(), startups);
    EXPECT_EQ(StoredMessages(server, "reader"), PlacedMessages(server, "reader"));
}

TEST(DovecotExchange, WrongPasswordIsRefused) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    Pop3Client client;
    ASSERT_EQ(client.Connect(server.host.c_str(), server.port), 1);
    EXPECT_EQ(client.SendUser("reader"), 1);
    EXPECT_EQ(client.SendPass("not-the-password"), 0);
    EXPECT_EQ(std::strncmp(client.ReceiveBuffer(), "-ERR", 4), 0) << client.ReceiveBuffer();
    EXPECT_EQ(client.Stat(), 0);
    EXPECT_EQ(client.Close(), 1);
}

}  // namespace
