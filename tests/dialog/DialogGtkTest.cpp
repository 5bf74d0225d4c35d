// The GTK dialog itself: widgets built from the template, and the keyboard rules
// of a Win32 dialog, on a private Xvfb.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/user32/dialog_session.h"
#include "platform/posix/gtk/dialog_gtk.h"
#include "resources/ResourceIds.h"
#include "tests/dialog/ExpectedLayout.h"
#include "tests/posix/private_xvfb.h"

namespace {

using Script = void (*)(HWND dialog, layer::GtkDialogFront& front);

Script g_script;
std::vector<int> g_commands;

layer::GtkDialogFront& FrontOf(HWND dialog) {
    return *static_cast<layer::GtkDialogFront*>(layer::DialogSession::FromHandle(dialog)->Front());
}

gboolean RunScript(gpointer dialog) {
    HWND handle = static_cast<HWND>(dialog);
    g_script(handle, FrontOf(handle));
    return G_SOURCE_REMOVE;
}

// Records each command and ends on IDOK and IDCANCEL like the real procedure;
// the test's script runs once the dialog is up.
INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) g_idle_add(RunScript, dialog);
    if (message == WM_COMMAND) {
        g_commands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, LOWORD(wParam) + 10);
    }
    return 0;
}

INT_PTR RunDialog(Script script) {
    g_script = script;
    g_commands.clear();
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Procedure, 0);
}

void Key(layer::GtkDialogFront& front, guint keyval,
         GdkModifierType state = static_cast<GdkModifierType>(0)) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(front.Window())));
    event->key.keyval = keyval;
    event->key.state = state;
    gtk_widget_event(front.Window(), event);
    gdk_event_free(event);
}

int FocusedId(HWND dialog, layer::GtkDialogFront& front) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(front.Window()));
    for (int id :
         {IDOK, IDCANCEL, IDC_SERVER, IDC_PORT, IDC_USER, IDC_PASSWORD, IDC_CHECK, IDC_NOTICE})
        if (FrontOf(dialog).ItemWidget(layer::DialogSession::FromHandle(dialog)->IndexOfId(id)) ==
            focus)
            return id;
    return focus ? -2 : -1;
}

std::vector<int> g_focusTrail;

// GTK keeps its display connection for the life of the process, so the
// server does too.
class DialogGtkTest : public ::testing::Test {
protected:
    void SetUp() override {
        static PrivateXvfb server;
        static const std::string display = server.Start();
        ASSERT_FALSE(display.empty()) << "no Xvfb could be started";
        setenv("DISPLAY", display.c_str(), 1);
        // The accessibility bridge keeps D-Bus buffers that LeakSanitizer reports.
        setenv("NO_AT_BRIDGE", "1", 0);
    }
};

TEST_F(DialogGtkTest, WidgetsFollowTheTemplate) {
    const INT_PTR result = RunDialog([](HWND dialog, layer::GtkDialogFront& front) {
        EXPECT_STREQ("Inkwheel", gtk_window_get_title(GTK_WINDOW(front.Window())));
        const int count = static_cast<int>(sizeof kExpectedControls / sizeof kExpectedControls[0]);
        for (int i = 0; i < count; ++i) {
            const ExpectedControl& expected = kExpectedControls[i];
            SCOPED_TRACE(std::string("control \"") + expected.utf8 + "\"");
            GtkWidget* widget = front.ItemWidget(i);
            const RECT rect =
                front.Font().ToPixels(expected.x, expected.y, expected.cx, expected.cy);
            GtkAllocation allocation, client;
            gtk_widget_get_allocation(widget, &allocation);
            gtk_widget_get_allocation(gtk_widget_get_parent(widget), &client);
            EXPECT_EQ(rect.left, allocation.x - client.x);
            EXPECT_EQ(rect.top, allocation.y - client.y);
            EXPECT_EQ(rect.right - rect.left, allocation.width);
            EXPECT_EQ(rect.bottom - rect.top, allocation.height);
            if (expected.classOrdinal == 0x80) {
                EXPECT_STREQ(expected.utf8, gtk_button_get_label(GTK_BUTTON(widget)));
            } else if (expected.classOrdinal == 0x82) {
                EXPECT_STREQ(expected.utf8, gtk_label_get_text(GTK_LABEL(widget)));
            }
            if (expected.classOrdinal != 0x81) continue;
            ASSERT_TRUE(GTK_IS_ENTRY(widget));
            EXPECT_EQ(expected.id != IDC_PASSWORD,
                      gtk_entry_get_visibility(GTK_ENTRY(widget)) != FALSE);
            const bool right = expected.id == IDC_PORT || expected.id == IDC_CHECK;
            EXPECT_FLOAT_EQ(right ? 1.0f : 0.0f, gtk_entry_get_alignment(GTK_ENTRY(widget)));
        }
        EXPECT_EQ(IDOK, FocusedId(dialog, front)) << "the first tab stop has the focus";
        EndDialog(dialog, 5);
    });
    EXPECT_EQ(5, result);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(DialogGtkTest, TabWalksTheTabStopsInTemplateOrder) {
    const INT_PTR result = RunDialog([](HWND dialog, layer::GtkDialogFront& front) {
        g_focusTrail.clear();
        g_focusTrail.push_back(FocusedId(dialog, front));
        for (int i = 0; i < 8; ++i) {
            Key(front, GDK_KEY_Tab);
            g_focusTrail.push_back(FocusedId(dialog, front));
        }
        for (int i = 0; i < 2; ++i) {
            Key(front, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
            g_focusTrail.push_back(FocusedId(dialog, front));
        }
        Key(front, GDK_KEY_Escape);
    });
    EXPECT_EQ(IDCANCEL + 10, result);
    const std::vector<int> expected = {IDOK,     IDCANCEL,     IDC_SERVER, IDC_PORT,
                                       IDC_USER, IDC_PASSWORD, IDC_CHECK,  IDC_NOTICE,
                                       IDOK,     IDC_NOTICE,   IDC_CHECK};
    EXPECT_EQ(expected, g_focusTrail);
    EXPECT_EQ(std::vector<int>{IDCANCEL}, g_commands);
}

// Enter in an edit presses the default button; on a focused push button, that button.
TEST_F(DialogGtkTest, EnterPressesTheFocusedButtonOrTheDefaultOne) {
    RunDialog([](HWND dialog, layer::GtkDialogFront& front) {
        gtk_widget_grab_focus(
            front.ItemWidget(layer::DialogSession::FromHandle(dialog)->IndexOfId(IDC_NOTICE)));
        Key(front, GDK_KEY_Return);
        gtk_widget_grab_focus(
            front.ItemWidget(layer::DialogSession::FromHandle(dialog)->IndexOfId(IDC_PORT)));
        Key(front, GDK_KEY_KP_Enter);
    });
    EXPECT_EQ((std::vector<int>{IDC_NOTICE, IDOK}), g_commands);
}

TEST_F(DialogGtkTest, CloseBoxSendsCancelAndTextsReachTheWidgets) {
    const INT_PTR result = RunDialog([](HWND dialog, layer::GtkDialogFront& front) {
        SetWindowTextA(GetDlgItem(dialog, IDC_USER), "\x83\x86\x81[\x83U");
        EXPECT_STREQ("ユーザ", gtk_entry_get_text(GTK_ENTRY(front.ItemWidget(8))));
        gtk_entry_set_text(GTK_ENTRY(front.ItemWidget(3)), "サーバ.example");
        char text[64];
        GetWindowTextA(GetDlgItem(dialog, IDC_SERVER), text, sizeof text);
        EXPECT_STREQ("\x83T\x81[\x83o.example", text);
        gtk_window_close(GTK_WINDOW(front.Window()));
    });
    EXPECT_EQ(IDCANCEL + 10, result);
    EXPECT_EQ(std::vector<int>{IDCANCEL}, g_commands);
}

}  // namespace
