// The Linux profile layer where Wine cannot check it (the rules shared with
// Windows are in tests/settings, on both targets).
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/win32.h"
#include "tests/support/TempFolder.h"

namespace {

const char kFile[] = "screen.ini";

bool Write(const char* value, const char* file = kFile) {
    return WritePrivateProfileStringA("s", "HOST", value, file) != 0;
}

mode_t ModeOf(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? (info.st_mode & 07777) : 0;
}

// The exit code of a child process running body: 0 when it returned true.
int InChild(const std::function<bool()>& body) {
    pid_t child = fork();
    if (child == 0) _exit(body() ? 0 : 1);
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// As Windows writes: a read-only file stays as it was and the write fails; a
// link is written through and stays a link; a folder that takes no temporary
// file gets the file rewritten in place. A new file is private: it holds the
// password.
TEST(ProfileLayerTest, ModesReadOnlyFilesLinksAndReadOnlyFolders) {
    TempFolder folder;
    const mode_t oldMask = umask(0);
    EXPECT_TRUE(Write("h"));
    umask(oldMask);
    EXPECT_EQ(ModeOf(kFile), 0600u);
    chmod(kFile, 0640);
    EXPECT_TRUE(Write("i"));
    EXPECT_EQ(ModeOf(kFile), 0640u) << "a rewrite keeps the mode";
    EXPECT_EQ(folder.EntryCount(), 1) << "no temporary file left behind";

    folder.Put(kFile, "[s]\r\nHOST=old\r\n");
    chmod(kFile, 0444);  // refused even to root, as the read-only attribute is
    EXPECT_FALSE(Write("new"));
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nHOST=old\r\n");

    ASSERT_EQ(mkdir("real", 0755), 0);
    folder.Put("real/target.ini", "[s]\r\nHOST=old\r\n");
    ASSERT_EQ(symlink("real/target.ini", "link.ini"), 0);
    EXPECT_TRUE(Write("new", "link.ini"));
    EXPECT_EQ(folder.Get("real/target.ini"), "[s]\r\nHOST=new\r\n");
    struct stat info;
    ASSERT_EQ(lstat("link.ini", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    // As user nobody when the test runs as root, whom permission bits do not stop;
    // the new file is shorter, so the rest of the old one must go.
    chmod(kFile, 0644);
    ASSERT_TRUE(geteuid() != 0 || chown(kFile, 65534, 65534) == 0);
    ASSERT_EQ(stat(kFile, &info), 0);
    chmod(".", 0555);
    EXPECT_EQ(InChild([] {
                  return (geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 &&
                                             setuid(65534) == 0)) &&
                         Write("n");
              }),
              0);
    chmod(".", 0755);
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nHOST=n\r\n");
    struct stat after;
    ASSERT_EQ(stat(kFile, &after), 0);
    EXPECT_EQ(after.st_ino, info.st_ino) << "rewritten in place";
    EXPECT_EQ(folder.EntryCount(), 3);
}

// A file-size limit makes the write fail part way through the new file, even
// for root: the old file must survive whole.
TEST(ProfileLayerTest, FailedWriteLeavesTheOldFileWhole) {
    TempFolder folder;
    const std::string old = "[s]\r\nHOST=old\r\n" + std::string(1000, ';') + "\r\n";
    folder.Put(kFile, old);
    EXPECT_EQ(InChild([] {
                  signal(SIGXFSZ, SIG_IGN);
                  struct rlimit limit = {4096, 4096};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  return !Write(std::string(8192, 'v').c_str());
              }),
              0)
        << "the write reported success";
    EXPECT_EQ(folder.Get(kFile), old);
    EXPECT_EQ(folder.EntryCount(), 1) << "no temporary file left behind";
}

// Junk in the file's place reads as missing and is never rewritten.
TEST(ProfileLayerTest, UnusableFiles) {
    TempFolder folder;
    char value[16];
    folder.Put(kFile, "[s]\r\nHOST=h\r\n");
    ASSERT_EQ(truncate(kFile, off_t{100} << 20), 0);  // sparse: beyond the 64 MiB limit
    EXPECT_EQ(GetPrivateProfileStringA("s", "HOST", "dflt", value, 16, kFile), 4u);
    EXPECT_FALSE(Write("h"));
    struct stat info;
    ASSERT_EQ(stat(kFile, &info), 0);
    EXPECT_EQ(info.st_size, off_t{100} << 20) << "left as it was";
    ASSERT_EQ(unlink(kFile), 0);
    ASSERT_EQ(mkfifo(kFile, 0600), 0);
    EXPECT_EQ(GetPrivateProfileStringA("s", "HOST", "dflt", value, 16, kFile), 4u)
        << "a FIFO does not hang";
    EXPECT_FALSE(Write("h"));
}

// Sizes the settings store never uses; only trailing blanks leave a default.
TEST(ProfileLayerTest, BufferSizesAndDefaults) {
    TempFolder folder;
    folder.Put(kFile, "[s]\r\nK=value\r\nJ=ab\x93\xFA\r\n");
    struct {
        DWORD size;
        const char *key, *defaultText, *expected;
    } const cases[] = {{1, "K", "", ""},
                       {3, "K", "", "va"},
                       {4, "J", "", "ab"},
                       {5, "J", "", "ab\x93\xFA"},
                       {256, "NONE", "  spaced  ", "  spaced"}};
    for (const auto& c : cases) {
        char value[64] = "#";
        EXPECT_EQ(GetPrivateProfileStringA("s", c.key, c.defaultText, value, c.size, kFile),
                  std::strlen(c.expected));
        EXPECT_STREQ(value, c.expected) << c.size;
    }
    char untouched = '#';
    EXPECT_EQ(GetPrivateProfileStringA("s", "K", "", &untouched, 0, kFile), 0u);
    EXPECT_EQ(untouched, '#');
}

// Wine drops blank lines when it rewrites a file, so they are checked here only.
TEST(ProfileLayerTest, BlankLinesStayAndNewKeysFollowTheLastEntry) {
    TempFolder folder;
    folder.Put(kFile, "[s]\nA=1\n\n[t]\nB=2\n");
    EXPECT_TRUE(WritePrivateProfileStringA(" S ", " c ", "3", kFile));
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nA=1\r\nc=3\r\n\r\n[t]\r\nB=2\r\n");
}

// The settings store relies on the size needed when the folder does not fit.
TEST(ProfileLayerTest, CurrentDirectoryReportsTheSizeNeeded) {
    TempFolder folder;
    const std::string path = folder.Path().string();
    char buffer[512] = "#";
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(path.size()), buffer), path.size() + 1);
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(path.size() + 1), buffer), path.size());
    EXPECT_EQ(std::string(buffer), path);
}

}  // namespace
