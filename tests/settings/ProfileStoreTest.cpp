// The settings store on real files, and wsprintfA: natively over our layer and,
// built for Windows, over the real profile functions under Wine. Both write the
// same bytes and read the same files, so a file either build writes reads the
// same in the other.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "settings/ProfileStore.h"
#include "tests/support/TempFolder.h"

namespace {

const char kFile[] = "screen.ini";
const std::string kHead = "[zavuzozedi]\r\n";

class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store_.Bind(kFile, "zavuzozedi"); }

    std::string Text(const char* key) {
        char value[ProfileStore::kValueSize + 64];
        std::memset(value, '#', sizeof value);
        store_.ReadText(key, value, "");
        return value;
    }

    TempFolder folder_;
    ProfileStore store_;
};

TEST_F(ProfileStoreTest, Reads) {
    EXPECT_EQ(store_.ReadInt("PORT", 110), 110);
    EXPECT_EQ(Text("HOST"), "");
    EXPECT_EQ(folder_.EntryCount(), 0) << "reading a missing file creates none";
    const std::string h254(254, 'h');
    struct {
        const char* why;
        std::string file, host;
        int port;  // ReadInt with the default 110
    } const cases[] = {
        {"missing keys: defaults", kHead + "USER=me\r\n", "", 110},
        {"other sections do not count", "[other]\r\nHOST=x\r\nPORT=7\r\n" + kHead, "", 110},
        {"LF line ends, none at the end", "[zavuzozedi]\nHOST=h\nPORT=25", "h", 25},
        {"lone CR line ends", "[zavuzozedi]\rHOST=h\rPORT=25\r", "h", 25},
        {"blanks around names and values", "  [ zavuzozedi ] \r\n HOST = h \t\r\n\tPORT\t=\t25\r\n",
         "h", 25},
        {"names are case-insensitive", "[ZavuzoZedi]\r\nhost=h\r\npOrT=25\r\n", "h", 25},
        {"one pair of quotes goes", kHead + "HOST=\"h\"\r\nPORT='25'\r\n", "h", 25},
        {"comments, blank lines, text after the header",
         "\r\n; c\r\n[zavuzozedi] ; x\r\n\r\n;HOST=no\r\nHOST=h\r\n\r\nPORT=25\r\n", "h", 25},
        {"only the first section of a name",
         kHead + "HOST=h\r\n[x]\r\n" + kHead + "HOST=2\r\nPORT=25\r\n", "h", 110},
        {"present but empty: 0, not the default", kHead + "PORT=\r\n", "", 0},
        {"the leading number", kHead + "PORT=25x\r\n", "", 25},
        {"header without its bracket", "[zavuzozedi\r\nHOST=x\r\n", "", 110},
        {"NUL inside a value", std::string("[zavuzozedi]\r\nHOST=a\0b\r\n", 20), "a", 110},
        {"lines without =, an empty key", kHead + "HOST\r\n=v\r\nPORT=25\r\n", "", 25},
        {"values cut at 255 bytes", kHead + "HOST=" + h254 + "hh", h254 + "h", 110},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        folder_.Put(kFile, c.file);
        EXPECT_EQ(Text("HOST"), c.host);
        EXPECT_EQ(store_.ReadInt("PORT", 110), c.port);
    }
}

// The whole file after one write, as Windows writes it.
TEST_F(ProfileStoreTest, Writes) {
    const std::string h300(300, 'h');
    struct {
        const char* why;
        std::string before;
        const char *key, *value;
        std::string after;
    } const cases[] = {
        {"replaced where it stands", kHead + "HOST=old\r\nPORT=110\r\nUSER=u\r\n", "PORT", "995",
         kHead + "HOST=old\r\nPORT=995\r\nUSER=u\r\n"},
        {"a new key ends its section", kHead + "HOST=h\r\n[x]\r\nCHECK=9\r\n", "USER", "u",
         kHead + "HOST=h\r\nUSER=u\r\n[x]\r\nCHECK=9\r\n"},
        {"comments and other sections stay", "; hand\r\n[x]\r\nPORT=1\r\n" + kHead + "; me\r\n",
         "HOST", "h", "; hand\r\n[x]\r\nPORT=1\r\n" + kHead + "; me\r\nHOST=h\r\n"},
        {"a new section at the end", "[x]\r\nA=1\r\n", "HOST", "h",
         "[x]\r\nA=1\r\n" + kHead + "HOST=h\r\n"},
        {"names keep their spelling", "[ZavuzoZedi]\r\nhost=a\r\n", "HOST", "b",
         "[ZavuzoZedi]\r\nhost=b\r\n"},
        {"into the first section of a name", kHead + "A=1\r\n[x]\r\n" + kHead, "USER", "u",
         kHead + "A=1\r\nUSER=u\r\n[x]\r\n" + kHead},
        {"every line ends in CR LF", "[zavuzozedi]\nHOST=h\rPORT=1", "USER", "u",
         kHead + "HOST=h\r\nPORT=1\r\nUSER=u\r\n"},
        {"a value's leading blanks go", "", "HOST", " \t h ", kHead + "HOST=h \r\n"},
        {"the file keeps a long value whole", "", "HOST", h300.c_str(),
         kHead + "HOST=" + h300 + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        folder_.Put(kFile, c.before);
        EXPECT_NE(store_.WriteText(c.key, c.value), 0);
        EXPECT_EQ(folder_.Get(kFile), c.after);
    }
}

// Both builds write these bytes, and read them back.
TEST_F(ProfileStoreTest, NewFileHasTheWindowsLayout) {
    const char user[] = "\x8E\x52\x93\x63";  // 山田
    ASSERT_NE(store_.WriteText("HOST", "pop.example.jp"), 0);
    store_.WriteInt("PORT", 995);
    store_.WriteText("USER", user);
    ASSERT_NE(store_.WritePassword("ab12Z\x80"), 0);  // scrambled: whole Shift_JIS characters
    store_.WriteInt("CHECK", -3);
    EXPECT_EQ(folder_.Get(kFile), kHead + "HOST=pop.example.jp\r\nPORT=995\r\nUSER=" + user +
                                      "\r\nPASS=\x9F\x9E\xCF\xCE\xA6\x80\r\nCHECK=-3\r\n");
    EXPECT_EQ(Text("USER"), user);
    char password[ProfileStore::kValueSize];
    store_.ReadPassword(password);
    EXPECT_STREQ(password, "ab12Z\x80");
}

// Under code page 932 the profile functions lose bytes of a scrambled
// lower-case password (it is made of lead bytes): PASSHEX then keeps them.
TEST_F(ProfileStoreTest, EveryPasswordReadsBackByteExact) {
    for (const char* password : {"abc", "zz", "abcdefghi", "postoffice", "ab12Z\x80"}) {
        SCOPED_TRACE(password);
        ASSERT_NE(store_.WritePassword(password), 0);
        char bytes[ProfileStore::kValueSize];
        std::strcpy(bytes, password);
        ProfileStore::ScramblePassword(bytes);
        EXPECT_EQ(Text("PASSHEX").empty(), Text("PASS") == bytes) << "PASSHEX when PASS lost bytes";
        store_.ReadPassword(bytes);
        EXPECT_STREQ(bytes, password);
    }
}

TEST_F(ProfileStoreTest, PasswordFilesOfEveryKindRead) {
    const std::string pass = kHead + "PASS=\x90\x91\x8D\x8C\x91\x9A\x9A\x97\x9D\x9B\r\n";
    struct {
        const char* why;
        std::string file;
        const char* expected;
    } const cases[] = {
        {"PASS alone, as written before PASSHEX", pass, "postoffice"},
        {"PASSHEX preferred, in either case", pass + "PASSHEX=9f9e9D\r\n", "abc"},
        {"odd length: PASS counts", pass + "PASSHEX=9F9E9\r\n", "postoffice"},
        {"not hexadecimal: PASS counts", pass + "PASSHEX=9F9G\r\n", "postoffice"},
        {"a zero byte: PASS counts", pass + "PASSHEX=9F00\r\n", "postoffice"},
    };
    for (const auto& c : cases) {
        folder_.Put(kFile, c.file);
        char read[ProfileStore::kValueSize];
        store_.ReadPassword(read);
        EXPECT_STREQ(read, c.expected) << c.why;
    }
    ASSERT_NE(store_.WritePassword("postoffice"), 0);
    EXPECT_EQ(folder_.Get(kFile), pass) << "a PASS that survives removes PASSHEX";
}

// The file is the one in the folder current at binding; a folder in its place stays.
TEST_F(ProfileStoreTest, WhereTheFileIs) {
    EXPECT_EQ(std::string(store_.FilePath()), (std::filesystem::current_path() / kFile).string());
    std::filesystem::create_directory("sub");
    std::filesystem::current_path("sub");
    store_.WriteText("HOST", "h");
    std::filesystem::current_path(folder_.Path());
    EXPECT_EQ(folder_.Get(kFile), kHead + "HOST=h\r\n");
    std::filesystem::remove(kFile);
    std::filesystem::create_directory(kFile);
    EXPECT_EQ(store_.WriteText("HOST", "x"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(kFile));
    EXPECT_EQ(folder_.EntryCount(), 2) << "no temporary file left behind";
}

// wsprintfA as the program uses it.
TEST(WsprintfTest, Cases) {
    const std::string t1022(1022, 't');
    struct {
        const char *why, *format, *text;
        int number;
        std::string expected;  // the return value is its length, or 1024 once cut
    } const cases[] = {
        {"text, number, character, percent", "[%s|%d|%c|%%]", "abc", INT_MIN,
         "[abc|-2147483648|A|%]"},
        {"high bytes pass through", "%s%d", "\x93\xFA\x96\x7B", INT_MAX,
         "\x93\xFA\x96\x7B" "2147483647"},
        {"fits exactly: 1023 characters", "%s!", t1022.c_str(), 0, t1022 + "!"},
        {"one more is cut", "%s!x", t1022.c_str(), 0, t1022 + "!"},
        {"a number cut too", "%s%d", t1022.c_str(), 123, t1022 + "1"},
    };
    for (const auto& c : cases) {
        char out[1100];
        std::memset(out, '#', sizeof out);
        const int written = wsprintfA(out, c.format, c.text, c.number, 'A');
        EXPECT_EQ(std::string(out), c.expected) << c.why;
        EXPECT_EQ(written, c.expected.size() == 1023 ? 1024 : static_cast<int>(c.expected.size()));
        EXPECT_EQ(out[1024], '#') << "nothing written past 1024 bytes";
    }
}

}  // namespace
