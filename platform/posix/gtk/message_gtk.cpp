#include "platform/posix/gtk/dialog_gtk.h"

namespace layer {

// Any answer (OK, Enter, Esc, the close box) dismisses it, as a box with only
// an OK button does on Windows.
void RunGtkMessage(GtkWindow* parent, const std::string& caption, const std::string& text,
                   bool error) {
    GtkWidget* box = gtk_message_dialog_new(
        parent,
        parent ? GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT)
               : GtkDialogFlags(0),
        error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

}  // namespace layer
