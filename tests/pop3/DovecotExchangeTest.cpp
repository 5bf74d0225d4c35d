// The whole exchange against a real Dovecot on 127.0.0.1 (the "dovecot" ctest
// fixture): log in, count, fetch every header, extract and decode every
// Subject, close; afterwards every message is still there, unchanged, and the
// fixture's stop fails if any was marked read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pop3/Pop3Client.h"
#include "tests/decode/ByteDump.h"
#include "tests/support/DovecotFixture.h"
#include "tests/support/SocketChecks.h"

namespace {

// The reader's messages in Dovecot's order, their Subject decoded to Shift_JIS.
const char* const kReaderSubjects[] = {
    "Quarterly report is ready",
    // 会議のお知らせ
    "\x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9",
    // Re: 来週の予定に|ついて (draft 2), folded over three lines
    "Re: \x97\x88\x8f\x54\x82\xcc\x97\x5c\x92\xe8\x82\xc9\x82\xc2\x82\xa2\x82\xc4 (draft 2)",
    "Last line of the header",
    // only a lower-case "subject:" field
    "",
    "Large attachment",
};
const int kReaderCount = 6;

TEST(DovecotExchange, ReadsEverySubjectAndChangesNoMessage) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    const int startups = OutstandingStartups();
    {
        Pop3Client client;
        ASSERT_EQ(client.Connect(server.host.c_str(), server.port), 1);
        EXPECT_EQ(std::strncmp(client.ReceiveBuffer(), "+OK Dovecot", 11), 0)
            << client.ReceiveBuffer();
        EXPECT_EQ(client.SendUser("reader"), 1);
        EXPECT_EQ(client.SendPass(kDovecotPassword), 1) << client.ReceiveBuffer();
        ASSERT_EQ(client.Stat(), kReaderCount);
        for (int n = 1; n <= kReaderCount; ++n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(client.FetchHeader(n), 1);
            const char* header = client.MessageBuffer();
            EXPECT_EQ(std::strncmp(header, "+OK\r\n", 5), 0) << "the status line comes first";
            EXPECT_EQ(std::strstr(header, "\r\n\r\n"), nullptr);
            EXPECT_LT(std::strlen(header), 400u) << "the header alone, not the body";
            char subject[4096];
            client.ExtractHeaderField(header, "Subject:", subject);
            client.Decoder().DecodeHeaderValue(subject, subject, sizeof subject);
            EXPECT_EQ(ByteDump(subject), ByteDump(kReaderSubjects[n - 1]));
        }
        EXPECT_EQ(client.Close(), 1);
    }
    EXPECT_EQ(OutstandingStartups(), startups);
    EXPECT_EQ(StoredMessages(server, "reader"), PlacedMessages(server, "reader"))
        << "a message was removed or changed";
}

TEST(DovecotExchange, EmptyMailboxCountsNoMessage) {
    DovecotServer server;
    ASSERT_TRUE(FindDovecot(server));
    Pop3Client client;
    ASSERT_EQ(client.Connect(server.host.c_str(), server.port), 1);
    EXPECT_EQ(client.SendUser("empty"), 1);
    EXPECT_EQ(client.SendPass(kDovecotPassword), 1);
    EXPECT_EQ(client.Stat(), 0);
    EXPECT_STREQ(client.ReceiveBuffer(), "+OK 0 0\r\n");
    EXPECT_EQ(client.Close(), 1);
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
