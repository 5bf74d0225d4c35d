// The Linux dialog layer without a display: its template table against the
// expected layout, control lookup, text conversion and truncation, the dialog
// font's units, and the shell's opener.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/cp932/cp932.h"
#include "platform/posix/gtk/dialog_font.h"
#include "platform/posix/user32/dialog_session.h"
#include "platform/posix/user32/dialog_testing.h"
#include "platform/win32.h"
#include "resources/ResourceIds.h"
#include "tests/dialog/ExpectedLayout.h"
#include "tests/dialog/FakeOpener.h"

namespace {

INT_PTR CALLBACK Silent(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Recorded> g_recorded;

INT_PTR CALLBACK Recording(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    g_recorded.push_back({message, wParam, lParam});
    return 0;
}

class OpenDialog {
public:
    explicit OpenDialog(DLGPROC procedure = Silent, LPARAM param = 0)
        : handle_(layer::OpenDialogWithoutDisplay(MAKEINTRESOURCEA(IDD_CONFIG), procedure, param)) {
    }
    ~OpenDialog() { layer::CloseDialogWithoutDisplay(handle_); }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
    HWND Handle() const { return handle_; }
    HWND Item(int id) const { return GetDlgItem(handle_, id); }

private:
    HWND handle_;
};

TEST(DialogLayerTemplateTest, TableMatchesTheExpectedLayout) {
    const layer::DialogTemplate* dialog = layer::FindDialogTemplate(MAKEINTRESOURCEA(IDD_CONFIG));
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(kExpectedDialogStyle, dialog->style);
    EXPECT_EQ(kExpectedDialogSize[2], dialog->cx);
    EXPECT_EQ(kExpectedDialogSize[3], dialog->cy);
    EXPECT_STREQ(kExpectedTitle, dialog->title);
    EXPECT_EQ(kExpectedPointSize, dialog->pointSize);
    EXPECT_STREQ(kExpectedFace, dialog->face);
    const int count = static_cast<int>(sizeof kExpectedControls / sizeof kExpectedControls[0]);
    ASSERT_EQ(count, dialog->itemCount);
    for (int i = 0; i < count; ++i) {
        const ExpectedControl& expected = kExpectedControls[i];
        const layer::DialogItemTemplate& actual = dialog->items[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " \"" + expected.utf8 + "\"");
        EXPECT_EQ(expected.id, static_cast<WORD>(actual.id));
        EXPECT_EQ(expected.classOrdinal, actual.classOrdinal);
        EXPECT_EQ(expected.style, actual.style);
        EXPECT_EQ(expected.x, actual.x);
        EXPECT_EQ(expected.y, actual.y);
        EXPECT_EQ(expected.cx, actual.cx);
        EXPECT_EQ(expected.cy, actual.cy);
        EXPECT_STREQ(expected.utf8, actual.text);
        EXPECT_EQ(expected.cp932, layer::Utf8ToCp932(actual.text));
    }
    EXPECT_EQ(nullptr, layer::FindDialogTemplate(MAKEINTRESOURCEA(999)));
    EXPECT_EQ(nullptr, layer::FindDialogTemplate("CONFIG"));
}

TEST(DialogLayerTest, InitDialogProposesTheFirstTabStopAndPassesTheParameter) {
    g_recorded.clear();
    OpenDialog dialog(Recording, 1234);
    ASSERT_EQ(1u, g_recorded.size());
    EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), g_recorded[0].message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(dialog.Item(IDOK)), g_recorded[0].wParam);
    EXPECT_EQ(1234, g_recorded[0].lParam);
}

TEST(DialogLayerTest, ButtonsSendCommandWithTheirIdAndHandle) {
    g_recorded.clear();
    OpenDialog dialog(Recording);
    layer::PressDialogButton(dialog.Handle(), IDC_NOTICE);
    ASSERT_EQ(2u, g_recorded.size());
    EXPECT_EQ(static_cast<UINT>(WM_COMMAND), g_recorded[1].message);
    EXPECT_EQ(MAKEWPARAM(IDC_NOTICE, BN_CLICKED), g_recorded[1].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(dialog.Item(IDC_NOTICE)), g_recorded[1].lParam);
}

TEST(DialogLayerTest, ControlsAreFoundByIdAndLabelsKeepTheirTexts) {
    OpenDialog dialog;
    const int ids[] = {IDOK,     IDCANCEL,     IDC_SERVER, IDC_PORT,
                       IDC_USER, IDC_PASSWORD, IDC_CHECK,  IDC_NOTICE};
    std::vector<HWND> seen;
    for (int id : ids) {
        SCOPED_TRACE(id);
        HWND item = dialog.Item(id);
        ASSERT_NE(nullptr, item);
        for (HWND other : seen)
            EXPECT_NE(other, item);
        seen.push_back(item);
    }
    EXPECT_EQ(nullptr, dialog.Item(1005));
    EXPECT_EQ(nullptr, GetDlgItem(nullptr, IDOK));
    char text[64];
    EXPECT_EQ(4, GetWindowTextA(dialog.Item(IDOK), text, sizeof text));
    EXPECT_STREQ("\x90\xDD\x92\xE8", text);
    EXPECT_EQ(13, GetWindowTextA(dialog.Item(IDC_LABEL), text, sizeof text));  // the first label
    EXPECT_STREQ("POP3 \x83T\x81[\x83o\x81[", text);
}

// GetWindowTextA's cut: size - 1 bytes, never half a double-byte character.
TEST(DialogLayerTest, GetWindowTextCutsWithoutSplittingCharacters) {
    OpenDialog dialog;
    HWND edit = dialog.Item(IDC_USER);
    ASSERT_TRUE(SetWindowTextA(edit,
                               "ab\x83\x86"
                               "c"));  // a b ユ c
    struct Case {
        int size;
        int copied;
        const char* text;
    };
    const Case cases[] = {
        {64, 5,
         "ab\x83\x86"
         "c"},  // room to spare
        {6, 5,
         "ab\x83\x86"
         "c"},                 // exactly fits
        {5, 4, "ab\x83\x86"},  // one short
        {4, 2, "ab"},          // the double-byte character would be split
        {1, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        char buffer[80];
        std::memset(buffer, 'Z', sizeof buffer);
        EXPECT_EQ(c.copied, GetWindowTextA(edit, buffer, c.size));
        EXPECT_STREQ(c.text, buffer);
        EXPECT_EQ('Z', buffer[c.size]) << "wrote past the buffer";
    }
    char untouched = 'Z';
    EXPECT_EQ(0, GetWindowTextA(edit, &untouched, 0));
    EXPECT_EQ('Z', untouched);
    EXPECT_EQ(0, GetWindowTextA(nullptr, &untouched, 1));
}

TEST(DialogLayerTest, TextsCrossBetweenCodePage932AndUtf8) {
    struct Case {
        const char* why;
        const char* set;
        const char* read;
    };
    const Case cases[] = {
        {"ASCII", "pop.example.jp", "pop.example.jp"},
        {"kanji and half-width kana", "\x8A\xD4\x8Au\xB6\xC5", "\x8A\xD4\x8Au\xB6\xC5"},
        {"a trail byte that is a backslash", "\x95\x5C", "\x95\x5C"},
        {"a lead byte without its trail byte", "a\x81 b", "a\x81\x45 b"},  // U+30FB, then the blank
        {"a lead byte cut off at the end", "ab\x83", "ab\x81\x45"},
        {"single bytes Windows maps to private characters", "\x80\xA0\xFD\xFE\xFF",
         "\x80\xA0\xFD\xFE\xFF"},
        {"empty", "", ""},
    };
    OpenDialog dialog;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        char buffer[64];
        ASSERT_TRUE(SetWindowTextA(dialog.Item(IDC_SERVER), c.set));
        GetWindowTextA(dialog.Item(IDC_SERVER), buffer, sizeof buffer);
        EXPECT_STREQ(c.read, buffer);
    }
    EXPECT_TRUE(SetWindowTextA(dialog.Item(IDC_SERVER), nullptr));
    EXPECT_FALSE(SetWindowTextA(nullptr, "x"));
    EXPECT_EQ("?", layer::Utf8ToCp932("\xE2\x82\xAC"));  // the euro sign is not in the code page
    EXPECT_EQ("a?b", layer::Utf8ToCp932("a\xFF"
                                        "b"));  // not UTF-8
}

TEST(DialogLayerTest, EndDialogRecordsTheResultOnlyForOpenDialogs) {
    OpenDialog dialog;
    INT_PTR result = 0;
    EXPECT_FALSE(layer::DialogHasEnded(dialog.Handle(), &result));
    EXPECT_TRUE(EndDialog(dialog.Handle(), 7));
    EXPECT_TRUE(layer::DialogHasEnded(dialog.Handle(), &result));
    EXPECT_EQ(7, result);
    EXPECT_FALSE(EndDialog(dialog.Item(IDOK), 1)) << "a control is not a dialog";
    EXPECT_FALSE(EndDialog(nullptr, 1));
}

TEST(DialogLayerTest, MissingTemplateFailsBeforeAnythingIsShown) {
    EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, Silent, 0));
    EXPECT_EQ(nullptr, layer::OpenDialogWithoutDisplay(MAKEINTRESOURCEA(999), Silent, 0));
}

// MS UI Gothic is not installed here: a Japanese proportional font stands in,
// and 11 points at 96 dpi is Windows' 15-pixel font.
TEST(DialogFontTest, StandsInForTheFaceAndMeasuresDialogUnits) {
    layer::DialogFont font("MS UI Gothic", 11);
    EXPECT_EQ(15, font.PixelSize());
    EXPECT_EQ("IPAPGothic", font.Family());
    EXPECT_GE(font.BaseUnitX(), 5);
    EXPECT_LE(font.BaseUnitX(), 10);
    EXPECT_GE(font.BaseUnitY(), 14);
    EXPECT_LE(font.BaseUnitY(), 18);
    const RECT rect = font.ToPixels(60, 5, 70, 14);
    EXPECT_EQ((60 * font.BaseUnitX() + 2) / 4, rect.left);
    EXPECT_EQ((5 * font.BaseUnitY() + 4) / 8, rect.top);
    EXPECT_EQ(rect.left + (70 * font.BaseUnitX() + 2) / 4, rect.right);
    EXPECT_EQ(rect.top + (14 * font.BaseUnitY() + 4) / 8, rect.bottom);
}

TEST(DialogFontTest, KeepsAnInstalledJapaneseFace) {
    EXPECT_EQ("IPAGothic", layer::DialogFont("IPAGothic", 11).Family());
}

TEST(ShellExecuteTest, OpenReturnsWhileTheOpenerIsStillRunning) {
    FakeOpener opener;
    const auto result = reinterpret_cast<UINT_PTR>(ShellExecuteA(
        nullptr, "open", "/usr/share/doc/\x83\x8C\x83^\x81[.html", nullptr, nullptr, SW_SHOW));
    EXPECT_GT(result, 32u);
    EXPECT_FALSE(opener.Recorded()) << "ShellExecuteA waited for the opener";
    EXPECT_EQ("/usr/share/doc/レター.html", opener.ReleaseAndRead());
}

TEST(ShellExecuteTest, NoOpenerIsNoAssociation) {
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", "/nonexistent", 1);
    const auto result = reinterpret_cast<UINT_PTR>(
        ShellExecuteA(nullptr, "open", "https://example.invalid/", nullptr, nullptr, SW_SHOW));
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), result);
}

TEST(ShellModuleTest, ModuleFileNameIsTheProgramCutLikeWindows) {
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    char buffer[4096];
    EXPECT_EQ(program.size(), GetModuleFileNameA(nullptr, buffer, sizeof buffer));
    EXPECT_EQ(program, buffer);
    char small[8];
    std::memset(small, 'Z', sizeof small);
    EXPECT_EQ(5u, GetModuleFileNameA(nullptr, small, 5));
    EXPECT_EQ(program.substr(0, 4), small);
    EXPECT_EQ('Z', small[5]);
}

}  // namespace
