// The settings store on real files, and wsprintfA: over our layer, and under Wine the real ones.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"
#include "settings/ProfileStore.h"
#include "tests/support/TempFolder.h"

namespace {

const char kFile[] = "screen.ini";
const std::string kHead = "[zavuzozedi]\r\n";  // a 'z' in every case

class ProfileStoreTest : public ::testing::Test {
protected:
    // Bound to the file in the test's folder, which then goes again.
    void SetUp() override {
        folder_.Put(kFile, "");
        store_.Bind(kFile, "zavuzozedi");
        std::filesystem::remove(kFile);
    }

    std::string Text(const char* key = nullptr) {  // no key: the password; '#' shows no terminator
        char value[ProfileStore::kValueSize + 64];
        std::memset(value, '#', sizeof value);
        key ? store_.ReadText(key, value, "") : store_.ReadPassword(value);
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
    const struct {
        std::string file, host;
        int port;  // ReadInt with the default 110
    } cases[] = {
        {"[zavuzozedi\r\nHOST=x\r\n[other]\r\nHOST=x\r\nPORT=7\r\n" + kHead, "", 110},
        {"[zavuzozedi]\nHOST=h\rPORT=25", "h", 25},
        {"  [ zavuzozedi ] \r\n HOST = h \t\r\n\tPORT\t=\t25x\r\n", "h", 25},
        {"[ZavuzoZedi]\r\nhost=h\r\npOrT=25\r\n", "h", 25},
        {kHead + "HOST=\"h\"\r\nPORT='25'\r\n", "h", 25},  // one pair of quotes goes
        {"\r\n; c\r\n[zavuzozedi] ; x\r\n\r\n;HOST=no\r\nHOST=h\r\n\r\nPORT=\r\n", "h", 0},
        {kHead + "HOST=h\r\n[x]\r\n" + kHead + "HOST=2\r\nPORT=25\r\n", "h", 110},  // the first
        {std::string("[zavuzozedi]\r\nHOST=a\0b\r\n", 20), "a", 110},
        {kHead + "HOST=" + h254 + "hh", h254 + "h", 110},  // cut at 255 bytes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        folder_.Put(kFile, c.file);
        EXPECT_EQ(Text("HOST"), c.host);
        EXPECT_EQ(store_.ReadInt("PORT", 110), c.port);
    }
}

// The whole file after one write, as Windows writes it.
TEST_F(ProfileStoreTest, Writes) {
    const std::string h300(300, 'h'), padded = " \t " + h300 + " ";
    const struct {
        std::string before;
        const char *key, *value;
        std::string after;
    } cases[] = {
        {kHead + "A=1\r\nPORT=1\r\nB=2\r\n", "PORT", "9", kHead + "A=1\r\nPORT=9\r\nB=2\r\n"},
        {"; hand\r\n[x]\r\nA=1\r\n" + kHead + "; me\r\n[y]\r\n" + kHead, "USER", "u",
         "; hand\r\n[x]\r\nA=1\r\n" + kHead + "; me\r\nUSER=u\r\n[y]\r\n" + kHead},
        {"[x]\r\nA=1\r\n", "HOST", "h", "[x]\r\nA=1\r\n" + kHead + "HOST=h\r\n"},
        {"[ZavuzoZedi]\r\nhost=a\r\n", "HOST", "b", "[ZavuzoZedi]\r\nhost=b\r\n"},
        {"[zavuzozedi]\nHOST=h\rPORT=1", "USER", "u", kHead + "HOST=h\r\nPORT=1\r\nUSER=u\r\n"},
        {"", "HOST", padded.c_str(), kHead + "HOST=" + h300 + " \r\n"},  // leading blanks go
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        folder_.Put(kFile, c.before);
        EXPECT_NE(store_.WriteText(c.key, c.value), 0);
        EXPECT_EQ(folder_.Get(kFile), c.after);
    }
}

// Code page 932 loses bytes of a scrambled lower-case password: PASSHEX keeps them, and wins
// when it is whole bytes, none zero, in either case.
TEST_F(ProfileStoreTest, NewFileHasTheWindowsLayoutAndPasswordsOfEveryKindRead) {
    const char user[] = "\x8E\x52\x93\x63";  // 山田
    ASSERT_NE(store_.WriteText("HOST", "pop.example.jp"), 0);
    store_.WriteInt("PORT", 995);
    store_.WriteText("USER", user);
    ASSERT_NE(store_.WritePassword("ab12Z\x80"), 0);  // scrambled: whole Shift_JIS characters
    store_.WriteInt("CHECK", -3);
    EXPECT_EQ(folder_.Get(kFile), kHead + "HOST=pop.example.jp\r\nPORT=995\r\nUSER=" + user +
                                      "\r\nPASS=\x9F\x9E\xCF\xCE\xA6\x80\r\nCHECK=-3\r\n");
    EXPECT_EQ(Text("USER"), user);
    EXPECT_EQ(Text(), "ab12Z\x80");
    for (const char* password : {"abc", "postoffice"}) {
        ASSERT_NE(store_.WritePassword(password), 0);
        char bytes[ProfileStore::kValueSize];
        ProfileStore::ScramblePassword(std::strcpy(bytes, password));
        EXPECT_EQ(Text("PASSHEX").empty(), Text("PASS") == bytes) << password;
        EXPECT_EQ(Text(), password);
    }
    const std::string pass = kHead + "PASS=\x90\x91\x8D\x8C\x91\x9A\x9A\x97\x9D\x9B\r\n";
    for (const char* hex : {"", "=9F9E9", "=9F9G", "=9F00"}) {
        folder_.Put(kFile, pass + "PASSHEX" + hex + "\r\n");
        EXPECT_EQ(Text(), "postoffice") << hex;
    }
    folder_.Put(kFile, pass + "PASSHEX=9f9e9D\r\n");
    EXPECT_EQ(Text(), "abc");
    ASSERT_NE(store_.WritePassword("postoffice"), 0);
    EXPECT_EQ(folder_.Get(kFile), pass) << "a PASS that survives removes PASSHEX";
}

// The user's folder of application data, for the test's own: natively a folder of the test's
// (the layer's XDG_CONFIG_HOME); under Wine the prefix's, its letterglass folder put aside.
class UserFolder {
public:
    UserFolder() {
#ifdef _WIN32
        appData_ = std::getenv("APPDATA");
        if (std::filesystem::exists(Ours())) std::filesystem::rename(Ours(), Aside());
#else
        std::filesystem::create_directory(appData_ = folder_.Path() / "config");
        setenv("XDG_CONFIG_HOME", appData_.c_str(), 1);
#endif
    }
    ~UserFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Ours(), ignored);
#ifdef _WIN32
        std::filesystem::rename(Aside(), Ours(), ignored);
#else
        unsetenv("XDG_CONFIG_HOME");
#endif
    }
    std::filesystem::path Ours() const {
        return appData_ / "letterglass";
    }

private:
    std::filesystem::path Aside() const {
        return appData_ / "letterglass.test-aside";
    }

    TempFolder folder_;
    std::filesystem::path appData_;
};

// A file in the current folder at binding is the one, also when the folder changes later;
// otherwise the user's own, whose folder the first write makes, found from any folder. A
// folder named like the file, or a current folder too long for the store, is no file there.
TEST_F(ProfileStoreTest, WhereTheFileIs) {
    UserFolder user;
    std::filesystem::current_path(folder_.Path());
    const std::string here = std::filesystem::current_path().string();
    char buffer[512] = "#";
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(here.size()), buffer), here.size() + 1);
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(here.size() + 1), buffer), here.size());
    EXPECT_EQ(buffer, here);

    folder_.Put(kFile, "");
    store_.Bind(kFile, "zavuzozedi");
    EXPECT_EQ(std::string(store_.FilePath()), (folder_.Path() / kFile).string());
    std::filesystem::create_directory("sub");
    std::filesystem::current_path("sub");
    store_.WriteText("HOST", "h");
    std::filesystem::current_path(folder_.Path());
    EXPECT_EQ(folder_.Get(kFile), kHead + "HOST=h\r\n");
    EXPECT_FALSE(std::filesystem::exists(user.Ours()));

    std::filesystem::remove(kFile);
    std::filesystem::create_directory(kFile);
    store_.Bind(kFile, "zavuzozedi");
    const std::filesystem::path own = user.Ours() / kFile;
    EXPECT_EQ(std::string(store_.FilePath()), own.string());
    EXPECT_EQ(store_.ReadInt("PORT", 110), 110);
    EXPECT_FALSE(std::filesystem::exists(user.Ours())) << "reading makes no folder";
    EXPECT_NE(store_.WriteText("HOST", "mine"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(kFile));
    EXPECT_EQ(folder_.EntryCount(), 2) << "nothing written here";
    std::ifstream written(own, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), kHead + "HOST=mine\r\n");

    std::filesystem::path deep = folder_.Path();  // 256 bytes or more
    while (deep.string().size() < 256)
        deep /= std::string(std::min<size_t>(100, 256 - deep.string().size()), 'd');
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    ProfileStore elsewhere;
    elsewhere.Bind(kFile, "zavuzozedi");
    char host[ProfileStore::kValueSize];
    elsewhere.ReadText("HOST", host, "");
    EXPECT_EQ(std::string(elsewhere.FilePath()) + " " + host, own.string() + " mine");
    std::filesystem::current_path(folder_.Path());
}

// wsprintfA as the program uses it: the length, or the cap itself once reached.
TEST(WsprintfTest, ConversionsAndTheCut) {
    char out[1100];
    EXPECT_EQ(wsprintfA(out, "[%s|%d|%c|%%]", "\x93\xFA", INT_MIN, 'A'), 20);
    EXPECT_STREQ(out, "[\x93\xFA|-2147483648|A|%]");
    const std::string t1022(1022, 't');
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(wsprintfA(out, "%s%d", t1022.c_str(), INT_MIN), 1024);
    EXPECT_EQ(std::string(out, 1025), t1022 + "-" + '\0' + '#');
}

}  // namespace
