// The configuration dialog's procedure driven through the dialog layer without a
// display: what it shows from the settings file and what it writes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/Settings.h"
#include "platform/posix/user32/dialog_testing.h"
#include "resources/ResourceIds.h"
#include "tests/dialog/FakeOpener.h"
#include "tests/support/TempFolder.h"
#include "ui/ConfigDialog.h"

namespace {

std::string Scrambled(std::string text) {
    ProfileStore::ScramblePassword(&text[0]);
    return text;
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override { g_settings.Bind("screen.ini", "zavuzozedi"); }
    void TearDown() override {
        if (dialog_) layer::CloseDialogWithoutDisplay(dialog_);
    }

    void Open() {
        if (dialog_) layer::CloseDialogWithoutDisplay(dialog_);
        dialog_ =
            layer::OpenDialogWithoutDisplay(MAKEINTRESOURCEA(IDD_CONFIG), ConfigDialogProc, 0);
        ASSERT_NE(nullptr, dialog_);
    }
    std::string Shown(int id) const {
        char text[2048];
        GetWindowTextA(GetDlgItem(dialog_, id), text, sizeof text);
        return text;
    }
    void Type(int id, const std::string& text) {
        SetWindowTextA(GetDlgItem(dialog_, id), text.c_str());
    }
    void Press(int id) { layer::PressDialogButton(dialog_, id); }
    // -1 while the dialog is still open.
    INT_PTR Result() const {
        INT_PTR result = 0;
        return layer::DialogHasEnded(dialog_, &result) ? result : -1;
    }
    std::string File() const { return folder_.Get("screen.ini"); }
    bool FileExists() const { return std::filesystem::exists(folder_.Path() / "screen.ini"); }

    TempFolder folder_;
    HWND dialog_ = nullptr;
};

TEST_F(ConfigDialogTest, WithoutFileShowsEmptyTextsAndDefaultNumbers) {
    Open();
    EXPECT_EQ("", Shown(IDC_SERVER));
    EXPECT_EQ("110", Shown(IDC_PORT));
    EXPECT_EQ("", Shown(IDC_USER));
    EXPECT_EQ("", Shown(IDC_PASSWORD));
    EXPECT_EQ("1", Shown(IDC_CHECK));
    EXPECT_EQ(-1, Result());
    EXPECT_FALSE(FileExists()) << "opening must not write";
}

TEST_F(ConfigDialogTest, ShowsStoredValuesWithPasswordUnscrambled) {
    folder_.Put("screen.ini",
                "[zavuzozedi]\r\nHOST=pop.example.jp\r\nPORT=995\r\nUSER=taro\r\nPASS=" +
                    Scrambled("s3cret!") + "\r\nCHECK=-3\r\n");
    Open();
    EXPECT_EQ("pop.example.jp", Shown(IDC_SERVER));
    EXPECT_EQ("995", Shown(IDC_PORT));
    EXPECT_EQ("taro", Shown(IDC_USER));
    EXPECT_EQ("s3cret!", Shown(IDC_PASSWORD));
    EXPECT_EQ("-3", Shown(IDC_CHECK));
}

TEST_F(ConfigDialogTest, ConfirmWritesAllFiveKeysInOrder) {
    Open();
    Type(IDC_SERVER, "pop.example.jp");
    Type(IDC_PORT, "8080x");
    Type(IDC_USER, "taro");
    Type(IDC_PASSWORD, "abc");
    Type(IDC_CHECK, "-3");
    Press(IDOK);
    EXPECT_EQ(IDOK, Result());
    EXPECT_EQ(
        "[zavuzozedi]\r\nHOST=pop.example.jp\r\nPORT=8080\r\nUSER=taro\r\nPASS="
        "\x9F\x9E\x9D\r\nCHECK=-3\r\n",
        File());
}

TEST_F(ConfigDialogTest, ConfirmWithoutChangesCreatesTheDefaults) {
    Open();
    Press(IDOK);
    EXPECT_EQ("[zavuzozedi]\r\nHOST=\r\nPORT=110\r\nUSER=\r\nPASS=\r\nCHECK=1\r\n", File());
}

TEST_F(ConfigDialogTest, NumbersAreSavedAsTheirLeadingDecimal) {
    struct Case {
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {"8080x", "8080"}, {"abc", "0"}, {"", "0"},    {"-3", "-3"}, {"  42", "42"},
        {"+7", "7"},       {"x3", "0"},  {"- 5", "0"}, {"007", "7"}, {"12 34", "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        Open();
        Type(IDC_PORT, c.typed);
        Type(IDC_CHECK, c.typed);
        Press(IDOK);
        const std::string file = File();
        EXPECT_NE(std::string::npos, file.find(std::string("\r\nPORT=") + c.saved + "\r\n"))
            << file;
        EXPECT_NE(std::string::npos, file.find(std::string("\r\nCHECK=") + c.saved + "\r\n"))
            << file;
    }
}

TEST_F(ConfigDialogTest, ReopeningShowsSavedValuesAndThePasswordInPlain) {
    Open();
    Type(IDC_SERVER, "192.0.2.7");
    Type(IDC_USER, "hanako");
    Type(IDC_PASSWORD, "pa ss\x80word");
    Type(IDC_CHECK, "-3");
    Press(IDOK);
    EXPECT_NE(std::string::npos, File().find("PASS=" + Scrambled("pa ss\x80word") + "\r\n"));
    Open();
    EXPECT_EQ("192.0.2.7", Shown(IDC_SERVER));
    EXPECT_EQ("hanako", Shown(IDC_USER));
    EXPECT_EQ("pa ss\x80word", Shown(IDC_PASSWORD));
    EXPECT_EQ("-3", Shown(IDC_CHECK));
}

// Shift_JIS in the edits reaches the file byte for byte, through the layer's UTF-8.
TEST_F(ConfigDialogTest, JapaneseTextsRoundTripThroughTheEdits) {
    const std::string user = "\x83\x86\x81[\x83U\x96\xBC\xB1";  // ユーザ名ｱ
    Open();
    Type(IDC_USER, user);
    Press(IDOK);
    EXPECT_NE(std::string::npos, File().find("\r\nUSER=" + user + "\r\n"));
    Open();
    EXPECT_EQ(user, Shown(IDC_USER));
}

TEST_F(ConfigDialogTest, LongServerIsWrittenWholeAndReadsBackCut) {
    std::string server(300, 'h');
    server.replace(0, 4, "pop.");
    Open();
    Type(IDC_SERVER, server);
    Press(IDOK);
    EXPECT_NE(std::string::npos, File().find("HOST=" + server + "\r\n"));
    Open();
    EXPECT_EQ(server.substr(0, 255), Shown(IDC_SERVER));
}

TEST_F(ConfigDialogTest, CancelWritesNothing) {
    const std::string before = "; mine\r\n[zavuzozedi]\r\nHOST=keep\r\nPORT=110\r\n";
    folder_.Put("screen.ini", before);
    Open();
    Type(IDC_SERVER, "changed");
    Type(IDC_PORT, "1");
    Press(IDCANCEL);
    EXPECT_EQ(IDCANCEL, Result());
    EXPECT_EQ(before, File());
    EXPECT_EQ(1, folder_.EntryCount());
}

TEST_F(ConfigDialogTest, OtherIdsDoNothing) {
    Open();
    for (int id : {0, 3, IDC_SERVER, IDC_PORT, 1005, 65535}) {
        SCOPED_TRACE(id);
        Press(id);
        EXPECT_EQ(-1, Result());
    }
    EXPECT_FALSE(FileExists());
}

TEST_F(ConfigDialogTest, NoticeOpensThePageBesideTheProgramAndStaysOpen) {
    FakeOpener opener;
    Open();
    Type(IDC_SERVER, "unsaved");
    Press(IDC_NOTICE);
    EXPECT_EQ(-1, Result());
    EXPECT_FALSE(FileExists());
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ((program.parent_path() / NOTICE_PAGE_NAME).string(), opener.ReleaseAndRead());
    EXPECT_EQ("unsaved", Shown(IDC_SERVER));
}

}  // namespace
