// The Linux profile-file layer: what the settings store cannot show (file
// modes, atomic replacement, junk files, exact cuts).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/win32.h"
#include "tests/support/TempFolder.h"

namespace {

const char kFile[] = "screen.ini";

std::string Read(const char* key, DWORD size = 256, const char* defaultText = "dflt") {
    char value[400];
    std::memset(value, '#', sizeof value);
    DWORD copied = GetPrivateProfileStringA("s", key, defaultText, value, size, kFile);
    EXPECT_EQ(copied, std::strlen(value));
    return value;
}

mode_t ModeOf(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(ProfileLayerTest, NewFileIsPrivateAndRewritesKeepTheMode) {
    TempFolder folder;
    mode_t oldMask = umask(0);
    EXPECT_TRUE(WritePrivateProfileStringA("s", "PASS", "\x9F\x9E", kFile));
    umask(oldMask);
    EXPECT_EQ(ModeOf(kFile), 0600u);
    chmod(kFile, 0640);
    EXPECT_TRUE(WritePrivateProfileStringA("s", "HOST", "h", kFile));
    EXPECT_EQ(ModeOf(kFile), 0640u);
    EXPECT_EQ(folder.EntryCount(), 1) << "no temporary file left behind";
}

// Writes HOST as user nobody when the test runs as root, whom permission bits
// do not stop. The exit code of the child: 0 written, 1 refused.
int WriteAsPlainUser(const char* value) {
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        _exit(WritePrivateProfileStringA("s", "HOST", value, kFile) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// As Windows writes: a read-only file stays as it was and the write fails; a
// link is written through and stays a link; a folder that takes no temporary
// file gets the file rewritten in place.
TEST(ProfileLayerTest, ReadOnlyFilesLinksAndReadOnlyFolders) {
    TempFolder folder;
    folder.Put(kFile, "[s]\r\nHOST=old\r\n");
    chmod(kFile, 0444);  // refused even to root, as the read-only attribute is
    EXPECT_FALSE(WritePrivateProfileStringA("s", "HOST", "new", kFile));
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nHOST=old\r\n");
    EXPECT_EQ(ModeOf(kFile), 0444u);

    ASSERT_EQ(mkdir("real", 0755), 0);
    folder.Put("real/target.ini", "[s]\r\nHOST=old\r\n");
    ASSERT_EQ(symlink("real/target.ini", "link.ini"), 0);
    EXPECT_TRUE(WritePrivateProfileStringA("s", "HOST", "new", "link.ini"));
    EXPECT_EQ(folder.Get("real/target.ini"), "[s]\r\nHOST=new\r\n");
    struct stat info;
    ASSERT_EQ(lstat("link.ini", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    chmod(kFile, 0644);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(kFile, 65534, 65534), 0);
    }
    ASSERT_EQ(stat(kFile, &info), 0);
    chmod(".", 0555);
    EXPECT_EQ(WriteAsPlainUser("newer"), 0);
    chmod(".", 0755);
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nHOST=newer\r\n");
    struct stat after;
    ASSERT_EQ(stat(kFile, &after), 0);
    EXPECT_EQ(after.st_ino, info.st_ino) << "rewritten in place";
    EXPECT_EQ(folder.EntryCount(), 3);
}

TEST(ProfileLayerTest, FailedWriteLeavesTheOldFileWhole) {
    // A file-size limit makes writing fail even for root, part way through the
    // new file; the old one must survive untouched.
    TempFolder folder;
    std::string old = "[s]\r\nHOST=old\r\n" + std::string(1000, ';') + "\r\n";
    folder.Put(kFile, old);
    std::string big(8192, 'v');
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WritePrivateProfileStringA("s", "HOST", big.c_str(), kFile) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write reported success";
    EXPECT_EQ(folder.Get(kFile), old);
    EXPECT_EQ(folder.EntryCount(), 1) << "no temporary file left behind";
}

TEST(ProfileLayerTest, CutsNeverSplitADoubleByteCharacter) {
    TempFolder folder;
    std::string value = std::string(254, 'h') + "\x93\xFA" + "x";
    folder.Put(kFile, "[s]\r\nK=" + value + "\r\n");
    EXPECT_EQ(Read("K", 256), std::string(254, 'h'));
    EXPECT_EQ(Read("K", 257), std::string(254, 'h') + "\x93\xFA");
    EXPECT_EQ(Read("NONE", 4, "ab\x93\xFA"), "ab");
    EXPECT_EQ(Read("NONE", 5, "ab\x93\xFA"), "ab\x93\xFA");
}

TEST(ProfileLayerTest, SmallBuffersAndDefaults) {
    TempFolder folder;
    folder.Put(kFile, "[s]\r\nK=value\r\n");
    EXPECT_EQ(Read("K", 1), "");
    EXPECT_EQ(Read("K", 3), "va");
    EXPECT_EQ(Read("NONE", 256, "  spaced  "), "  spaced")
        << "only trailing blanks leave a default";
    char untouched = '#';
    EXPECT_EQ(GetPrivateProfileStringA("s", "K", "", &untouched, 0, kFile), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST(ProfileLayerTest, LoneCarriageReturnsEndLines) {
    TempFolder folder;
    folder.Put(kFile, "[s]\rA=1\rB=2\r");
    EXPECT_EQ(Read("A"), "1");
    EXPECT_EQ(Read("B"), "2");
    EXPECT_TRUE(WritePrivateProfileStringA("s", "C", "3", kFile));
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nA=1\r\nB=2\r\nC=3\r\n");
}

TEST(ProfileLayerTest, BlankLinesStayAndNewKeysFollowTheLastEntry) {
    TempFolder folder;
    folder.Put(kFile, "[s]\nA=1\n\n[t]\nB=2\n");
    EXPECT_TRUE(WritePrivateProfileStringA(" S ", " c ", "  3 ", kFile));
    EXPECT_EQ(folder.Get(kFile), "[s]\r\nA=1\r\nc=3 \r\n\r\n[t]\r\nB=2\r\n");
}

TEST(ProfileLayerTest, BinaryJunkNeverBreaksReadingOrWriting) {
    TempFolder folder;
    std::mt19937 random(20240601);
    std::string junk(1 << 20, '\0');
    for (char& c : junk)
        c = static_cast<char>(random() & 0xFF);
    for (bool withLineEnds : {true, false}) {
        SCOPED_TRACE(withLineEnds ? "with line ends" : "one 1 MB line");
        if (!withLineEnds) {
            for (char& c : junk)
                if (c == '\r' || c == '\n') c = 'x';
        }
        folder.Put(kFile, junk);
        EXPECT_EQ(Read("HOST"), "dflt");
        EXPECT_TRUE(WritePrivateProfileStringA("zz-section", "HOST", "h", kFile));
        EXPECT_EQ(Read("HOST"), "dflt");
        char value[256];
        GetPrivateProfileStringA("zz-section", "HOST", "", value, sizeof value, kFile);
        EXPECT_STREQ(value, "h");
        if (!withLineEnds) {
            EXPECT_TRUE(folder.Get(kFile) == junk + "\r\n[zz-section]\r\nHOST=h\r\n")
                << "junk is kept as it was";
        }
    }
}

TEST(ProfileLayerTest, OversizedFileReadsAsMissingAndIsNotRewritten) {
    TempFolder folder;
    int fd = open(kFile, O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{100} << 20), 0);  // sparse: costs no disk
    close(fd);
    EXPECT_EQ(Read("HOST"), "dflt");
    EXPECT_FALSE(WritePrivateProfileStringA("s", "HOST", "h", kFile));
    struct stat info;
    ASSERT_EQ(stat(kFile, &info), 0);
    EXPECT_EQ(info.st_size, off_t{100} << 20);
    EXPECT_EQ(folder.EntryCount(), 1);
}

TEST(ProfileLayerTest, LargeFileUnderTheLimitIsRead) {
    TempFolder folder;
    folder.Put(kFile, std::string(8 << 20, ';') + "\n[s]\nHOST=found\n");
    EXPECT_EQ(Read("HOST"), "found");
}

TEST(ProfileLayerTest, FifoInPlaceOfTheFileDoesNotHang) {
    TempFolder folder;
    ASSERT_EQ(mkfifo(kFile, 0600), 0);
    EXPECT_EQ(Read("HOST"), "dflt");
    EXPECT_FALSE(WritePrivateProfileStringA("s", "HOST", "h", kFile));
}

TEST(ProfileLayerTest, CurrentDirectoryReportsTheSizeNeeded) {
    TempFolder folder;
    std::string expected = folder.Path().string();
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), expected.size() + 1);
    EXPECT_EQ(small[0], '#');
    char exact[512];
    ASSERT_LT(expected.size(), sizeof exact);
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(expected.size() + 1), exact),
              expected.size());
    EXPECT_EQ(std::string(exact), expected);
}

}  // namespace
