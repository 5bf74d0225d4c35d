// The dialog as written independently of resources/ConfigDialog.inc: in the Windows resources
// (with icon, version, name); in the GTK face, placed in dialog units, texts to/from code page 932
// (natively in the X program, tests/posix).
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "resources/ResourceIds.h"
#ifdef _WIN32
#include <string_view>

#include "resources/Version.h"
#else
#include <gtk/gtk.h>  // after Windows' TRUE and FALSE
#endif

namespace {

// clang-format off
#define TEXTS(text) u"" text, text  // as the resource (UTF-16) and GTK (UTF-8) keep it
struct Control { const char16_t* wide; const char* text; int id, classOrdinal; DWORD style;
                 short x, y, cx, cy; };
const DWORD kButton = 0x50010000, kLabel = 0x50020000, kEdit = 0x50810080;  // child, visible...
const Control kControls[] = {
    {TEXTS("設定"), 1, 0x80, kButton | 1 /* default */, 95, 105, 50, 14},
    {TEXTS("ｷｬﾝｾﾙ"), 2, 0x80, kButton, 5, 105, 50, 14},
    {TEXTS("POP3 サーバー"), 0xFFFF, 0x82, kLabel, 10, 5, 47, 8},
    {TEXTS(""), 1000, 0x81, kEdit, 60, 5, 70, 14},
    {TEXTS("ポート"), 0xFFFF, 0x82, kLabel, 38, 20, 19, 8},
    {TEXTS(""), 1001, 0x81, kEdit | 2 /* right */, 60, 20, 35, 14},
    {TEXTS("ユーザ名"), 0xFFFF, 0x82, kLabel, 29, 41, 28, 8},
    {TEXTS("パスワード"), 0xFFFF, 0x82, kLabel, 25, 55, 32, 8},
    {TEXTS(""), 1002, 0x81, kEdit, 60, 40, 70, 14},
    {TEXTS(""), 1003, 0x81, kEdit | 0x20 /* password */, 60, 55, 70, 14},
    {TEXTS("チェック間隔"), 0xFFFF, 0x82, kLabel, 20, 79, 37, 8},
    {TEXTS(""), 1004, 0x81, kEdit | 2, 60, 79, 35, 14},
    {TEXTS("× 20 Sec."), 0xFFFF, 0x82, kLabel, 100, 85, 50, 8},
    {TEXTS("制作: Letterglass 開発チーム"), 1006, 0x80, kButton, 5, 125, 140, 14},
};
// Popup, caption, system menu, modal frame, centred, with a font.
const Control kFrame = {TEXTS("Inkwheel"), IDD_CONFIG, 0, 0x80C808C0, 0, 0, 150, 143};
// clang-format on

#ifdef _WIN32
using namespace std::string_view_literals;

// A resource of the test program itself, which links the program's.
std::u16string Resource(LPCSTR type, int id) {
    HRSRC found = FindResourceExA(nullptr, type, MAKEINTRESOURCEA(id), 0x0411);
    auto* data = static_cast<const char16_t*>(LockResource(LoadResource(nullptr, found)));
    return found ? std::u16string(data, SizeofResource(nullptr, found) / 2) : u"";
}

TEST(ResourceTest, DialogIconAndVersionRecord) {
    std::u16string dialog;  // a classic template: no menu, no class, 11 points of MS UI Gothic
    auto words = [&dialog](auto... w) { ((dialog += static_cast<char16_t>(w)), ...); };
    auto text = [&dialog](const char16_t* t) { (dialog += t) += u'\0'; };
    words(kFrame.style, kFrame.style >> 16, 0, 0, std::size(kControls), kFrame.x, kFrame.y,
          kFrame.cx, kFrame.cy, 0, 0);
    text(kFrame.wide), words(11), text(u"MS UI Gothic");
    for (const Control& c : kControls) {
        dialog.resize((dialog.size() + 1) & ~size_t{1});  // each control on four bytes
        words(c.style, c.style >> 16, 0, 0, c.x, c.y, c.cx, c.cy, c.id, 0xFFFF, c.classOrdinal);
        text(c.wide), words(0);
    }
    EXPECT_EQ(dialog, Resource(RT_DIALOG, IDD_CONFIG));
    const std::u16string group = Resource(RT_GROUP_ICON, IDI_LETTERGLASS);
    ASSERT_EQ(3u + 3 * 7, group.size());
    for (int i = 0; i < 3; ++i) {  // 16, 32 and 48 pixels at 32 bits, each an icon of its own
        const char16_t* entry = &group[3 + 7 * i];
        EXPECT_EQ(std::make_tuple(257 * 16 * (i + 1), 32), std::make_tuple(+entry[0], +entry[3]));
        EXPECT_EQ(entry[4] | entry[5] << 16, 2 * Resource(RT_ICON, entry[6]).size());
    }
    for (auto kv : {u"ProductName\0\0Letterglass\0"sv, u"FileVersion\0\0" LG_VERSION_TEXT "\0"sv})
        EXPECT_NE(std::u16string::npos, Resource(RT_VERSION, 1).find(kv)) << "key, padding, value";
    char name[32] = {};  // what Windows lists the saver by
    EXPECT_EQ(11, LoadStringA(nullptr, IDS_DESCRIPTION, name, sizeof name));
    EXPECT_STREQ("Letterglass", name);
}

// The manifest, which this program shares: version 6 of the common controls (which Wine too
// loads for it), the user's own rights, system DPI awareness (Wine has no other), and Windows 7
// to 11 as systems it was written for.
TEST(ResourceTest, Manifest) {
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof found;
    EXPECT_TRUE(FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         "comctl32.dll", &found));
    HRSRC manifest = FindResourceExA(nullptr, RT_MANIFEST, MAKEINTRESOURCEA(1), 0);
    ASSERT_TRUE(manifest);
    const std::string_view text(
        static_cast<const char*>(LockResource(LoadResource(nullptr, manifest))),
        SizeofResource(nullptr, manifest));
    for (std::string_view part : {"level=\"asInvoker\""sv, "WindowsSettings\">true</dpiAware>"sv,
                                  "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"sv,   // 7
                                  "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"sv,   // 8
                                  "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"sv,   // 8.1
                                  "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"sv})  // 10 and 11
        EXPECT_NE(std::string_view::npos, text.find(part)) << part;
}
#else
std::string Text(GtkWidget* w) {
    return GTK_IS_ENTRY(w)    ? gtk_entry_get_text(GTK_ENTRY(w))
           : GTK_IS_BUTTON(w) ? gtk_button_get_label(GTK_BUTTON(w))
                              : gtk_label_get_text(GTK_LABEL(w));
}

// Once the dialog shows; ended first, so that a failed check cannot keep it open.
gboolean Check(gpointer dialog) {
    EndDialog(static_cast<HWND>(dialog), 42);
    HWND edit = GetDlgItem(static_cast<HWND>(dialog), IDC_USER);
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* client = gtk_bin_get_child(GTK_BIN(windows->data));
    EXPECT_STREQ(kFrame.text, gtk_window_get_title(GTK_WINDOW(windows->data)));
    // The font's base units from the client area: a dialog unit is 1/4 of baseX, 1/8 of baseY.
    GtkAllocation box, at;
    gtk_widget_get_allocation(client, &box);
    const int baseX = (4 * box.width + kFrame.cx / 2) / kFrame.cx;
    const int baseY = (8 * box.height + kFrame.cy / 2) / kFrame.cy;
    EXPECT_TRUE(baseX >= 5 && baseX <= 10 && baseY >= 14 && baseY <= 19) << baseX << "x" << baseY;
    auto x = [baseX](int units) { return (units * baseX + 2) / 4; };
    auto y = [baseY](int units) { return (units * baseY + 4) / 8; };
    GList* widgets = gtk_container_get_children(GTK_CONTAINER(client));
    EXPECT_EQ(std::size(kControls), g_list_length(widgets));
    GtkWidget* user = nullptr;
    for (guint i = 0; i < std::size(kControls) && i < g_list_length(widgets); ++i) {
        const Control& c = kControls[i];
        GtkWidget* w = GTK_WIDGET(g_list_nth_data(widgets, i));
        user = c.id == IDC_USER ? w : user;
        gtk_widget_get_allocation(w, &at);
        const int kind = GTK_IS_BUTTON(w) ? 0x80 : GTK_IS_ENTRY(w) ? 0x81 : 0x82;
        EXPECT_EQ(std::make_tuple(c.classOrdinal, x(c.x), y(c.y), x(c.cx), y(c.cy), c.text),
                  std::make_tuple(kind, at.x - box.x, at.y - box.y, at.width, at.height, Text(w)));
    }
    g_list_free(windows), g_list_free(widgets);
    // Set (null: typed), shown, read back.
    const char* texts[][3] = {
        {"\x8A\xD4\x8Au\xB6\xC5\x95\\", "間隔ｶﾅ表", "\x8A\xD4\x8Au\xB6\xC5\x95\\"},
        {"\x81`\x87@\x81|", "～①－", "\x81`\x87@\x81|"},  // Windows' table, not Shift_JIS
        {"\x80\xA0\xFD\xFE\xFF", "\u0080\uF8F0\uF8F1\uF8F2\uF8F3", "\x80\xA0\xFD\xFE\xFF"},
        {"a\x81 b\x83", "a・ b・", "a\x81\x45 b\x81\x45"},  // no trail byte: Windows' default
        {nullptr, "€x", "?x"},                              // outside the code page
    };
    for (const auto& [set, shown, read] : texts) {
        char text[64];
        set ? (void)SetWindowTextA(edit, set) : gtk_entry_set_text(GTK_ENTRY(user), shown);
        GetWindowTextA(edit, text, sizeof text);
        EXPECT_EQ(std::make_pair(std::string(shown), std::string(read)),
                  std::make_pair(Text(user), std::string(text)));
    }
    char cut[4];  // size - 1 bytes, never half a character
    SetWindowTextA(edit, "ab\x83\x86z");
    EXPECT_EQ(2, GetWindowTextA(edit, cut, sizeof cut));
    EXPECT_STREQ("ab", cut);
    return G_SOURCE_REMOVE;
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) g_idle_add(Check, dialog);
    return 0;
}

TEST(DialogGtkTest, PlacesTheControlsAndConvertsTheirTexts) {
    ASSERT_TRUE(getenv("DISPLAY")) << "run on an X server (ctest runs it on its own Xvfb)";
    setenv("NO_AT_BRIDGE", "1", 0);  // its D-Bus buffers would show as leaks
    EXPECT_EQ(42, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Procedure, 0));
}

#endif

}  // namespace
