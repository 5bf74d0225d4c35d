// What end-to-end runs cannot see cheaply, on a private Xvfb: the GTK face placing the
// controls in dialog units, and texts between code page 932 and the widgets' UTF-8.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/dialog/ExpectedDialog.h"
#include "tests/posix/private_xvfb.h"

#include <gtk/gtk.h>  // after Windows' TRUE and FALSE

namespace {

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
    // The font's base units, from the client area: a dialog unit is a quarter
    // of the horizontal one and an eighth of the vertical one.
    GtkAllocation area, at;
    gtk_widget_get_allocation(client, &area);
    const int baseX = (4 * area.width + kFrame.cx / 2) / kFrame.cx;
    const int baseY = (8 * area.height + kFrame.cy / 2) / kFrame.cy;
    EXPECT_TRUE(baseX >= 5 && baseX <= 10 && baseY >= 14 && baseY <= 19) << baseX << "x" << baseY;
    auto pixels = [](int units, int base, int per) { return (units * base + per / 2) / per; };
    GList* widgets = gtk_container_get_children(GTK_CONTAINER(client));
    EXPECT_EQ(std::size(kControls), g_list_length(widgets));
    GtkWidget* user = nullptr;
    for (guint i = 0; i < std::size(kControls) && i < g_list_length(widgets); ++i) {
        const Control& c = kControls[i];
        GtkWidget* w = GTK_WIDGET(g_list_nth_data(widgets, i));
        user = c.id == IDC_USER ? w : user;
        gtk_widget_get_allocation(w, &at);
        const int kind = GTK_IS_BUTTON(w) ? 0x80 : GTK_IS_ENTRY(w) ? 0x81 : 0x82;
        EXPECT_EQ(
            std::make_tuple(c.classOrdinal, pixels(c.x, baseX, 4), pixels(c.y, baseY, 8),
                            pixels(c.cx, baseX, 4), pixels(c.cy, baseY, 8), std::string(c.text)),
            std::make_tuple(kind, at.x - area.x, at.y - area.y, at.width, at.height, Text(w)));
    }
    g_list_free(windows), g_list_free(widgets);
    // Set (null: typed), shown, read back.
    const std::tuple<const char*, const char*, const char*> texts[] = {
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
    static PrivateXvfb server;  // as long as GTK's display connection: the process
    const std::string display = server.Start();
    ASSERT_FALSE(display.empty()) << "no Xvfb could be started";
    setenv("DISPLAY", display.c_str(), 1);
    setenv("NO_AT_BRIDGE", "1", 0);  // its D-Bus buffers would show as leaks
    EXPECT_EQ(42, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Procedure, 0));
}

}  // namespace
