// SHGetFolderPathA's CSIDL_APPDATA on Linux: the XDG configuration folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/win32.h"
#include "tests/support/TempFolder.h"

namespace {

class Environment {  // HOME and XDG_CONFIG_HOME as a case sets them, restored after
public:
    ~Environment() {
        Set("HOME", home_.empty() ? nullptr : home_.c_str());
        Set("XDG_CONFIG_HOME", config_.empty() ? nullptr : config_.c_str());
    }
    static void Set(const char* name, const char* value) {
        value ? setenv(name, value, 1) : unsetenv(name);
    }

private:
    static std::string Get(const char* name) { return std::getenv(name) ? std::getenv(name) : ""; }
    const std::string home_ = Get("HOME"), config_ = Get("XDG_CONFIG_HOME");
};

std::string AppData(int flags = 0) {
    char path[MAX_PATH] = "#";
    const HRESULT result = SHGetFolderPathA(nullptr, CSIDL_APPDATA | flags, nullptr, 0, path);
    return SUCCEEDED(result) ? path : "failed, " + std::string(path);
}

TEST(FoldersLayerTest, TheUserSettingsFolderFollowsTheXdgRules) {
    Environment environment;
    TempFolder folder;
    const std::string home = folder.Path().string(), long259(MAX_PATH - 1, 'x');
    const std::string fits = "/" + long259.substr(1), tooLong = "/" + long259;
    const struct {
        const char *home, *config;
        std::string expected;
    } cases[] = {
        {"/h", nullptr, "/h/.config"},
        {"/h/", "", "/h/.config"},
        {"/", nullptr, "/.config"},
        {"/h", "relative/c", "/h/.config"},  // to be ignored, the rules say
        {"/h", "/c//", "/c"},
        {"/h", fits.c_str(), fits},
        {"/h", tooLong.c_str(), "failed, "},  // no room for the terminator
    };
    for (const auto& c : cases) {
        Environment::Set("HOME", c.home);
        Environment::Set("XDG_CONFIG_HOME", c.config);
        EXPECT_EQ(AppData(), c.expected) << c.home << " " << (c.config ? c.config : "(unset)");
    }
    // Made only when asked, open to the user alone, missing parents too.
    Environment::Set("HOME", home.c_str());
    Environment::Set("XDG_CONFIG_HOME", (home + "/a/b").c_str());
    EXPECT_EQ(AppData(), home + "/a/b");
    EXPECT_EQ(folder.EntryCount(), 0);
    const mode_t oldMask = umask(0);
    EXPECT_EQ(AppData(CSIDL_FLAG_CREATE), home + "/a/b");
    umask(oldMask);
    struct stat info {};
    EXPECT_TRUE(stat((home + "/a/b").c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    folder.Put("file", "");
    Environment::Set("XDG_CONFIG_HOME", (home + "/file/c").c_str());
    EXPECT_EQ(AppData(CSIDL_FLAG_CREATE), "failed, ");
}

}  // namespace
