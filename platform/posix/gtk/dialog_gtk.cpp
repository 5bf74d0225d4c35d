#include "platform/posix/gtk/dialog_gtk.h"

#include <cassert>
#include <string>

#include "resources/ResourceIds.h"

namespace layer {

namespace {

// The styles each control class understands; a template asking for more is refused.
const DWORD kCommonStyles = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP;
const DWORD kButtonStyles = kCommonStyles | BS_DEFPUSHBUTTON;
const DWORD kEditStyles = kCommonStyles | WS_BORDER | ES_RIGHT | ES_PASSWORD | ES_AUTOHSCROLL;
const DWORD kStaticStyles = kCommonStyles;
const DWORD kFrameStyles =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;

const char kStyleClass[] = "letterglass-dialog";

// Classic, flat controls: the template's small heights leave no room for the
// theme's padding, and a control must not grow past its rectangle.
std::string StyleSheet(const DialogFont& font) {
    const std::string size = std::to_string(font.PixelSize()) + "px";
    return ".letterglass-dialog, .letterglass-dialog * { font-family: \"" + font.Family() +
           "\"; font-size: " + size +
           "; }\n"
           ".letterglass-dialog .letterglass-client entry { min-height: 0; min-width: 0; padding: "
           "0 2px;"
           " border-radius: 0; }\n"
           ".letterglass-dialog .letterglass-client button { min-height: 0; min-width: 0; padding: "
           "0;"
           " border-radius: 0; }\n";
}

bool IsPushButton(const DialogItemTemplate& item) {
    return item.classOrdinal == DLGCLASS_BUTTON;
}

}  // namespace

GtkDialogFront::GtkDialogFront(DialogHost& host)
    : host_(host), font_(host.Template().face, host.Template().pointSize) {
    const DialogTemplate& dialogTemplate = host.Template();
    assert((dialogTemplate.style & ~kFrameStyles) == 0 && "dialog style not provided");
    ApplyStyle();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), kStyleClass);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (dialogTemplate.style & DS_CENTER)
        gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);

    // Drawn by GTK itself, so the close box exists even without a window manager.
    GtkWidget* caption = gtk_header_bar_new();
    gtk_header_bar_set_title(GTK_HEADER_BAR(caption), dialogTemplate.title);
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(caption), TRUE);
    gtk_window_set_titlebar(GTK_WINDOW(window_), caption);
    gtk_window_set_title(GTK_WINDOW(window_), dialogTemplate.title);

    const RECT client = font_.ToPixels(0, 0, dialogTemplate.cx, dialogTemplate.cy);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_style_context_add_class(gtk_widget_get_style_context(fixed), "letterglass-client");
    gtk_widget_set_size_request(fixed, client.right, client.bottom);
    gtk_container_add(GTK_CONTAINER(window_), fixed);
    for (int i = 0; i < host.Template().itemCount; ++i) {
        const RECT rect = ItemPixels(i);
        widgets_.push_back(CreateItemWidget(i));
        gtk_widget_set_size_request(widgets_.back(), rect.right - rect.left,
                                    rect.bottom - rect.top);
        gtk_fixed_put(GTK_FIXED(fixed), widgets_.back(), rect.left, rect.top);
    }
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
}

GtkDialogFront::~GtkDialogFront() {
    gtk_widget_destroy(window_);
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(),
                                                 GTK_STYLE_PROVIDER(provider_));
    g_object_unref(provider_);
    while (gtk_events_pending())
        gtk_main_iteration();
}

void GtkDialogFront::ApplyStyle() {
    provider_ = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider_, StyleSheet(font_).c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider_),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

GtkWidget* GtkDialogFront::CreateItemWidget(int index) {
    const DialogItemTemplate& item = host_.Template().items[index];
    GtkWidget* widget = nullptr;
    switch (item.classOrdinal) {
        case DLGCLASS_BUTTON:
            assert((item.style & ~kButtonStyles) == 0 && "button style not provided");
            widget = gtk_button_new_with_label(item.text);
            g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
            break;
        case DLGCLASS_EDIT:
            assert((item.style & ~kEditStyles) == 0 && (item.style & ES_AUTOHSCROLL) &&
                   "edit style not provided");
            widget = gtk_entry_new();
            gtk_entry_set_text(GTK_ENTRY(widget), item.text);
            gtk_entry_set_width_chars(GTK_ENTRY(widget), 0);
            gtk_entry_set_has_frame(GTK_ENTRY(widget), (item.style & WS_BORDER) != 0);
            gtk_entry_set_visibility(GTK_ENTRY(widget), (item.style & ES_PASSWORD) == 0);
            gtk_entry_set_alignment(GTK_ENTRY(widget), (item.style & ES_RIGHT) ? 1.0f : 0.0f);
            break;
        case DLGCLASS_STATIC:
            assert((item.style & ~kStaticStyles) == 0 && "static style not provided");
            widget = gtk_label_new(item.text);
            gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
            gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
            break;
        default:
            assert(false && "control class not provided");
            widget = gtk_label_new(nullptr);
    }
    return widget;
}

RECT GtkDialogFront::ItemPixels(int index) const {
    const DialogItemTemplate& item = host_.Template().items[index];
    return font_.ToPixels(item.x, item.y, item.cx, item.cy);
}

void GtkDialogFront::SetItemText(int index, const std::string& utf8) {
    GtkWidget* widget = ItemWidget(index);
    if (GTK_IS_ENTRY(widget))
        gtk_entry_set_text(GTK_ENTRY(widget), utf8.c_str());
    else if (GTK_IS_BUTTON(widget))
        gtk_button_set_label(GTK_BUTTON(widget), utf8.c_str());
    else
        gtk_label_set_text(GTK_LABEL(widget), utf8.c_str());
}

std::string GtkDialogFront::ItemText(int index) const {
    GtkWidget* widget = ItemWidget(index);
    if (GTK_IS_ENTRY(widget)) return gtk_entry_get_text(GTK_ENTRY(widget));
    if (GTK_IS_BUTTON(widget)) return gtk_button_get_label(GTK_BUTTON(widget));
    return gtk_label_get_text(GTK_LABEL(widget));
}

void GtkDialogFront::ShowMessage(const std::string& caption, const std::string& text, bool error) {
    RunGtkMessage(GTK_WINDOW(window_), caption, text, error);
}

void GtkDialogFront::RunModal() {
    // WM_INITDIALOG returned 0, so the dialog manager leaves the focus alone
    // until activation, which gives it to the first tab stop. Set before
    // showing, GTK does not pick a widget of its own.
    MoveFocus(false);
    gtk_widget_show_all(window_);
    while (!host_.Ended())
        gtk_main_iteration();
}

int GtkDialogFront::FocusedIndex() const {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window_));
    for (size_t i = 0; i < widgets_.size(); ++i)
        if (widgets_[i] == focus) return static_cast<int>(i);
    return -1;
}

// Tab and Shift+Tab walk the tab stops in template order, wrapping around.
void GtkDialogFront::MoveFocus(bool backward) {
    const int count = host_.Template().itemCount;
    const int start = FocusedIndex();
    const int step = backward ? count - 1 : 1;
    int index = start < 0 ? (backward ? 0 : count - 1) : start;
    for (int tries = 0; tries < count; ++tries) {
        index = (index + step) % count;
        if (host_.Template().items[index].style & WS_TABSTOP) {
            gtk_widget_grab_focus(ItemWidget(index));
            return;
        }
    }
}

// Enter presses the focused push button, otherwise the default one (IDOK when
// the template names none), as IsDialogMessage does.
void GtkDialogFront::PressEnter() {
    const int focused = FocusedIndex();
    if (focused >= 0 && IsPushButton(host_.Template().items[focused])) {
        host_.Command(host_.Template().items[focused].id);
        return;
    }
    int id = IDOK;
    for (int i = 0; i < host_.Template().itemCount; ++i) {
        const DialogItemTemplate& item = host_.Template().items[i];
        if (IsPushButton(item) && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) id = item.id;
    }
    host_.Command(id);
}

gboolean GtkDialogFront::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    GtkDialogFront* front = static_cast<GtkDialogFront*>(self);
    switch (event->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            front->PressEnter();
            return TRUE;
        case GDK_KEY_Escape:
            front->host_.Command(IDCANCEL);
            return TRUE;
        case GDK_KEY_Tab:
        case GDK_KEY_KP_Tab:
        case GDK_KEY_ISO_Left_Tab:
            front->MoveFocus(event->keyval == GDK_KEY_ISO_Left_Tab ||
                             (event->state & GDK_SHIFT_MASK));
            return TRUE;
        default:
            return FALSE;
    }
}

// The close box: Windows turns it into IDCANCEL; the window stays until EndDialog.
gboolean GtkDialogFront::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<GtkDialogFront*>(self)->host_.Command(IDCANCEL);
    return TRUE;
}

void GtkDialogFront::OnClicked(GtkButton* button, gpointer self) {
    GtkDialogFront* front = static_cast<GtkDialogFront*>(self);
    for (size_t i = 0; i < front->widgets_.size(); ++i) {
        if (front->widgets_[i] != GTK_WIDGET(button)) continue;
        front->host_.Command(front->host_.Template().items[static_cast<int>(i)].id);
        return;
    }
}

}  // namespace layer
