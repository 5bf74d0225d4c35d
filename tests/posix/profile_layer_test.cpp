// The Linux profile layer where Wine cannot check it; shared rules are in tests/settings.
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/win32.h"
#include "tests/support/TempFolder.h"

namespace {

const char kFile[] = "screen.ini";

bool Write(const char* value, const char* file = kFile) {
    return WritePrivateProfileStringA("s", "HOST", value, file) != 0;
}

struct stat Stat(const char* path) {
    struct stat info {};
    EXPECT_EQ(lstat(path, &info), 0) << path;
    return info;
}

bool InChild(bool (*body)()) {  // whether body returned true, in a child process
    pid_t child = fork();
    if (child == 0) _exit(body() ? 0 : 1);
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// As Windows writes, with links written through; a new file holds the password.
TEST(ProfileLayerTest, ModesReadOnlyFilesLinksAndReadOnlyFolders) {
    TempFolder folder;
    const mode_t oldMask = umask(0);
    EXPECT_TRUE(Write("h"));
    umask(oldMask);
    EXPECT_EQ(Stat(kFile).st_mode & 07777, 0600u);
    chmod(kFile, 0640);
    EXPECT_TRUE(Write("i"));
    EXPECT_EQ(Stat(kFile).st_mode & 07777, 0640u) << "a rewrite keeps the mode";
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
    EXPECT_TRUE(S_ISLNK(Stat("link.ini").st_mode));

    // As user nobody when the test runs as root, whom permission bits do not stop;
    // the new file is shorter, so the rest of the old one must go.
    chmod(kFile, 0644);
    ASSERT_TRUE(geteuid() != 0 || chown(kFile, 65534, 65534) == 0);
    const ino_t inode = Stat(kFile).st_ino;
    chmod(".", 0555);
    EXPECT_TRUE(InChild([] {
        return (geteuid() != 0 ||
                (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0)) &&
               Write("n");
    }));
    chmod(".", 0755);
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nHOST=n\r\n");
    EXPECT_EQ(Stat(kFile).st_ino, inode) << "rewritten in place";
    EXPECT_EQ(folder.EntryCount(), 3);
}

// Sizes the store never uses, and blank lines, which Wine drops on a rewrite. A write that
// fails part way (a file-size limit stops even root) leaves the old file whole; junk in its
// place (beyond 64 MiB, a FIFO) reads as missing and stays.
TEST(ProfileLayerTest, SizesBlankLinesAndFailuresLeaveTheFileAsItWas) {
    TempFolder folder;
    folder.Put(kFile, "[s]\nJ=ab\x93\xFA\n\n[t]\nB=2\n");
    char value[16] = "#";
    const auto read = [&](const char* key, DWORD n) {  // the length returned, and the value
        return std::to_string(GetPrivateProfileStringA("s", key, " x  ", value, n, kFile)) + value;
    };
    EXPECT_EQ(read("J", 0), "0#");
    EXPECT_EQ(read("J", 4), "2ab");
    EXPECT_EQ(read("J", 5), "4ab\x93\xFA");
    EXPECT_EQ(read("NONE", 8), "2 x");
    EXPECT_TRUE(WritePrivateProfileStringA(" S ", " c ", "3", kFile));
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nJ=ab\x93\xFA\r\nc=3\r\n\r\n[t]\r\nB=2\r\n");
    const std::string old = "[s]\r\nHOST=old\r\n" + std::string(1000, ';') + "\r\n";
    folder.Put(kFile, old);
    EXPECT_TRUE(InChild([] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        return !Write(std::string(8192, 'v').c_str());
    })) << "the write reported success";
    EXPECT_EQ(folder.Get(kFile), old);
    EXPECT_EQ(folder.EntryCount(), 1);
    ASSERT_EQ(truncate(kFile, off_t{100} << 20), 0);  // sparse
    EXPECT_EQ(read("HOST", 16), "2 x");
    EXPECT_FALSE(Write("h"));
    EXPECT_EQ(Stat(kFile).st_size, off_t{100} << 20);
    ASSERT_EQ(unlink(kFile), 0);
    ASSERT_EQ(mkfifo(kFile, 0600), 0);
    EXPECT_EQ(read("HOST", 16), "2 x");
    EXPECT_FALSE(Write("h"));
}

}  // namespace
