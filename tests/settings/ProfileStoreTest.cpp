// The settings store on real files. The same cases run natively and, built for
// Windows, against the real profile functions under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "pop3/Pop3Client.h"
#include "settings/ProfileStore.h"
#include "tests/decode/ByteDump.h"
#include "tests/support/ScriptedPop3Peer.h"
#include "tests/support/TempFolder.h"

namespace {

const char kFile[] = "screen.ini";
const char kSection[] = "zavuzozedi";

class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store_.Bind(kFile, kSection); }

    std::string Text(const char* key) {
        char value[ProfileStore::kValueSize + 64];
        std::memset(value, '#', sizeof value);
        store_.ReadText(key, value, "");
        return value;
    }

    TempFolder folder_;
    ProfileStore store_;
};

TEST_F(ProfileStoreTest, MissingFileYieldsDefaultsAndCreatesNothing) {
    EXPECT_EQ(Text("HOST"), "");
    EXPECT_EQ(store_.ReadInt("PORT", 110), 110);
    EXPECT_EQ(store_.ReadInt("CHECK", 1), 1);
    EXPECT_EQ(folder_.EntryCount(), 0);
}

TEST_F(ProfileStoreTest, MissingKeyOrSectionYieldsDefaults) {
    folder_.Put(kFile, "[other]\r\nHOST=elsewhere\r\nPORT=7\r\n[zavuzozedi]\r\nUSER=me\r\n");
    EXPECT_EQ(Text("HOST"), "");
    EXPECT_EQ(store_.ReadInt("PORT", 110), 110);
    EXPECT_EQ(Text("USER"), "me");
}

TEST_F(ProfileStoreTest, ReadIntTakesTheLeadingNumber) {
    struct Case {
        const char* stored;
        int expected;
    } cases[] = {
        {"3x", 3},         // digits up to the first non-digit
        {"x3", 0},         // no leading digits
        {" +7", 7},        // blanks and a plus sign
        {"-12", -12},      // negative
        {"+-1", 0},        // one sign only
        {"0x10", 0},       // no hexadecimal
        {"\t 42 \t", 42},  // tabs are blanks too
        {"\"5\"", 5},      // enclosing quotes are dropped
        {"", 0},           // present but empty: not the default
        {"2147483647", 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("CHECK=") + c.stored);
        folder_.Put(kFile, std::string("[zavuzozedi]\r\nCHECK=") + c.stored + "\r\n");
        EXPECT_EQ(store_.ReadInt("CHECK", 1), c.expected);
    }
}

TEST_F(ProfileStoreTest, LongValueIsCutTo255OnReading) {
    std::string host(300, 'h');
    ASSERT_NE(store_.WriteText("HOST", host.c_str()), 0);
    EXPECT_NE(folder_.Get(kFile).find(host), std::string::npos) << "the file keeps the whole value";
    EXPECT_EQ(Text("HOST"), std::string(255, 'h'));
    std::string exact(255, 'e');
    store_.WriteText("USER", exact.c_str());
    EXPECT_EQ(Text("USER"), exact);
}

TEST(ScramblePasswordTest, NegatesEveryByteAndIsItsOwnInverse) {
    struct Case {
        const char* plain;
        const char* scrambled;
    } cases[] = {
        {"abc", "\x9F\x9E\x9D"},
        {"\x80", "\x80"},  // 0x80 is its own negation
        {"", ""},
        {"\x01\xFF", "\xFF\x01"},
        {"Pa55", "\xB0\x9F\xCB\xCB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plain);
        char text[16];
        std::strcpy(text, c.plain);
        ProfileStore::ScramblePassword(text);
        EXPECT_STREQ(text, c.scrambled);
        ProfileStore::ScramblePassword(text);
        EXPECT_STREQ(text, c.plain);
    }
    char all[256];
    for (int i = 0; i < 255; ++i)
        all[i] = static_cast<char>(i + 1);
    all[255] = '\0';
    ProfileStore::ScramblePassword(all);
    EXPECT_EQ(std::strlen(all), 255u) << "no byte becomes the terminator";
}

TEST_F(ProfileStoreTest, NewFileHasTheWindowsLayout) {
    ASSERT_NE(store_.WriteText("HOST", "mail.example"), 0);
    store_.WriteInt("PORT", 110);
    store_.WriteInt("CHECK", -3);
    EXPECT_EQ(folder_.Get(kFile), "[zavuzozedi]\r\nHOST=mail.example\r\nPORT=110\r\nCHECK=-3\r\n");
    EXPECT_EQ(Text("HOST"), "mail.example");
    EXPECT_EQ(store_.ReadInt("CHECK", 1), -3);
}

TEST_F(ProfileStoreTest, WriteKeepsEverythingElse) {
    folder_.Put(
        kFile,
        "; written by hand\r\n[before]\r\nPORT=1\r\n[zavuzozedi]\r\nHOST=old\r\nPORT=110\r\n"
        "; keep me\r\nUSER=u\r\n[after]\r\nCHECK=9\r\n");
    store_.WriteInt("PORT", 995);
    store_.WriteText("PASS", "p");
    std::string file = folder_.Get(kFile);
    EXPECT_NE(file.find("; written by hand"), std::string::npos);
    EXPECT_NE(file.find("; keep me"), std::string::npos);
    EXPECT_EQ(file.find("PORT=110"), std::string::npos);
    EXPECT_LT(file.find("HOST=old"), file.find("PORT=995")) << "replaced where it stood";
    EXPECT_LT(file.find("PORT=995"), file.find("USER=u"));
    EXPECT_LT(file.find("USER=u"), file.find("PASS=p")) << "appended at the end of its section";
    EXPECT_LT(file.find("PASS=p"), file.find("[after]"));
    EXPECT_EQ(Text("HOST"), "old");
    EXPECT_EQ(Text("PASS"), "p");

    ProfileStore other;
    other.Bind(kFile, "before");
    EXPECT_EQ(other.ReadInt("PORT", 0), 1);
    other.Bind(nullptr, "after");
    EXPECT_EQ(other.ReadInt("CHECK", 0), 9);
}

TEST_F(ProfileStoreTest, NamesAreCaseInsensitiveAndKeepTheirSpelling) {
    folder_.Put(kFile, "[ZavuzoZedi]\r\nhost=lower\r\n");
    EXPECT_EQ(Text("HOST"), "lower");
    store_.WriteText("HOST", "upper");
    EXPECT_EQ(folder_.Get(kFile), "[ZavuzoZedi]\r\nhost=upper\r\n");
}

TEST_F(ProfileStoreTest, OnlyTheFirstSectionOfANameCounts) {
    folder_.Put(
        kFile,
        "[zavuzozedi]\r\nHOST=first\r\n[x]\r\n[zavuzozedi]\r\nHOST=second\r\nUSER=hidden\r\n");
    EXPECT_EQ(Text("HOST"), "first");
    EXPECT_EQ(Text("USER"), "");
    store_.WriteText("USER", "seen");
    EXPECT_EQ(Text("USER"), "seen");
    EXPECT_LT(folder_.Get(kFile).find("USER=seen"), folder_.Get(kFile).find("[x]"));
}

TEST_F(ProfileStoreTest, ReadsEveryLineEndAndTrimsBlanks) {
    struct Case {
        const char* why;
        std::string file;
    } cases[] = {
        {"CR LF", "[zavuzozedi]\r\nHOST=h.example\r\nPORT=25\r\n"},
        {"LF", "[zavuzozedi]\nHOST=h.example\nPORT=25\n"},
        {"no final line end", "[zavuzozedi]\nHOST=h.example\nPORT=25"},
        {"blanks around names and values",
         "  [ zavuzozedi ]  \r\n  HOST =  h.example \t\r\n\tPORT\t=\t25\r\n"},
        {"quoted value", "[zavuzozedi]\r\nHOST=\"h.example\"\r\nPORT='25'\r\n"},
        {"text after the header", "[zavuzozedi] ; settings\r\nHOST=h.example\r\nPORT=25\r\n"},
        {"blank and comment lines",
         "\r\n; c\r\n[zavuzozedi]\r\n\r\n;HOST=no\r\nHOST=h.example\r\n\r\nPORT=25\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        folder_.Put(kFile, c.file);
        EXPECT_EQ(Text("HOST"), "h.example");
        EXPECT_EQ(store_.ReadInt("PORT", 110), 25);
        store_.WriteInt("CHECK", 4);
        EXPECT_EQ(Text("HOST"), "h.example");
        EXPECT_EQ(store_.ReadInt("PORT", 110), 25);
        EXPECT_EQ(store_.ReadInt("CHECK", 1), 4);
    }
}

TEST_F(ProfileStoreTest, MalformedFilesReadSafely) {
    struct Case {
        const char* why;
        std::string file;
        std::string host;
    } cases[] = {
        {"header without bracket", "[zavuzozedi\r\nHOST=x\r\n", ""},
        {"NUL inside a value", std::string("[zavuzozedi]\r\nHOST=a\0b\r\n", 20), "a"},
        {"NUL before a header", std::string("\0[zavuzozedi]\r\nHOST=x\r\n", 23), ""},
        {"long line before", std::string(100000, 'x') + "\r\n[zavuzozedi]\r\nHOST=b\r\n", "b"},
        {"long value", "[zavuzozedi]\r\nHOST=" + std::string(100000, 'y'), std::string(255, 'y')},
        {"line without =", "[zavuzozedi]\r\nHOST\r\n", ""},
        {"empty key", "[zavuzozedi]\r\n=v\r\nHOST=c\r\n", "c"},
        {"control bytes", "\x01\x02\x7f\r\n[zavuzozedi]\r\n\x03=\x04\r\nHOST=d\r\n", "d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        folder_.Put(kFile, c.file);
        EXPECT_EQ(Text("HOST"), c.host);
        EXPECT_EQ(store_.ReadInt("PORT", 110), 110);
    }
}

TEST_F(ProfileStoreTest, ShiftJisValuesRoundTrip) {
    const char user[] = "\x8E\x52\x93\x63";  // 山田
    store_.WriteText("USER", user);
    EXPECT_EQ(Text("USER"), user);
}

// Under code page 932 the profile functions lose bytes of a scrambled
// lower-case password (it is made of lead bytes); PASSHEX keeps them. Each
// password goes through the dialog's write and the cycle's read to the server.
TEST_F(ProfileStoreTest, EveryPasswordReachesTheServerByteExact) {
    const char* const passwords[] = {"abc", "zz", "abcdefghi", "postoffice", "ab12Z\x80"};
    for (const char* password : passwords) {
        SCOPED_TRACE(password);
        ASSERT_NE(store_.WritePassword(password), 0);
        char scrambled[64];
        std::strcpy(scrambled, password);
        ProfileStore::ScramblePassword(scrambled);
        EXPECT_EQ(Text("PASSHEX").empty(), Text("PASS") == scrambled)
            << "PASSHEX exactly when PASS lost bytes";

        char read[ProfileStore::kValueSize];
        store_.ReadPassword(read);
        ScriptedPop3Peer peer;
        peer.Send("+OK\r\n").AwaitLine().Send("+OK\r\n").Hangup();
        ASSERT_TRUE(peer.Start());
        Pop3Client client;
        client.Connect("127.0.0.1", peer.Port());
        client.SendPass(read);
        client.Close();
        EXPECT_EQ(ByteDump(peer.Finish()), ByteDump(std::string("PASS ") + password + "\r\n"));
    }
}

TEST_F(ProfileStoreTest, PasswordFilesOfEveryKindRead) {
    char scrambled[] = "postoffice";
    ProfileStore::ScramblePassword(scrambled);
    const std::string oldRule = std::string("[zavuzozedi]\r\nPASS=") + scrambled + "\r\n";
    struct Case {
        const char* why;
        std::string file;
        const char* expected;
    } cases[] = {
        {"PASS only, as written before PASSHEX", oldRule, "postoffice"},
        {"PASSHEX preferred", oldRule + "PASSHEX=9f9e9D\r\n", "abc"},
        {"odd length: PASS counts", oldRule + "PASSHEX=9F9E9\r\n", "postoffice"},
        {"not hexadecimal: PASS counts", oldRule + "PASSHEX=9F9G\r\n", "postoffice"},
        {"a zero byte: PASS counts", oldRule + "PASSHEX=9F00\r\n", "postoffice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        folder_.Put(kFile, c.file);
        char read[ProfileStore::kValueSize];
        store_.ReadPassword(read);
        EXPECT_STREQ(read, c.expected);
    }
    // A password that survives in PASS takes the place of an earlier PASSHEX.
    ASSERT_NE(store_.WritePassword("postoffice"), 0);
    EXPECT_EQ(folder_.Get(kFile), oldRule);
}

TEST_F(ProfileStoreTest, PathIsTheFolderAtBindingTime) {
    std::filesystem::path expected = std::filesystem::current_path() / kFile;
    EXPECT_EQ(std::string(store_.FilePath()), expected.string());

    std::filesystem::create_directory("sub");
    std::filesystem::current_path("sub");
    store_.WriteText("HOST", "stays");
    std::filesystem::current_path(folder_.Path());
    EXPECT_TRUE(std::filesystem::exists(kFile));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path("sub") / kFile));
}

TEST_F(ProfileStoreTest, WriteOverAFolderFailsAndLeavesIt) {
    std::filesystem::create_directory(kFile);
    folder_.Put(std::string(kFile) + "/inside", "keep");
    EXPECT_EQ(store_.WriteText("HOST", "x"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(kFile));
    EXPECT_EQ(folder_.Get(std::string(kFile) + "/inside"), "keep");
    EXPECT_EQ(folder_.EntryCount(), 1) << "no temporary file left behind";
    EXPECT_EQ(Text("HOST"), "");
}

TEST_F(ProfileStoreTest, WriteIntoAVanishedFolderFails) {
    std::filesystem::create_directory("gone");
    std::filesystem::current_path("gone");
    ProfileStore store;
    store.Bind(kFile, kSection);
    std::filesystem::current_path(folder_.Path());
    std::filesystem::remove("gone");
    EXPECT_EQ(store.WriteText("HOST", "x"), 0);
    EXPECT_FALSE(std::filesystem::exists("gone"));
}

}  // namespace
