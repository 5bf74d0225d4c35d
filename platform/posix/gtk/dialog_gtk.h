// The GTK 3 face of an open dialog: a fixed layout of buttons, entries and
// labels placed at the template's geometry, with the keyboard rules of a Win32
// dialog (Enter, Esc, Tab in template order) and the caption's close box.
#pragma once

#include <vector>

// Before GTK: GLib defines TRUE and FALSE only when Windows' have not been.
#include "platform/posix/gtk/dialog_font.h"
#include "platform/posix/backend/dialog.h"

#include <gtk/gtk.h>

namespace layer {

// A GTK message box over the parent (none: on its own), until it is dismissed.
void RunGtkMessage(GtkWindow* parent, const std::string& caption, const std::string& text,
                   bool error);

class GtkDialogFront : public DialogFront {
public:
    // Builds the widgets; gtk_init must have succeeded.
    explicit GtkDialogFront(DialogHost& host);
    ~GtkDialogFront() override;
    GtkDialogFront(const GtkDialogFront&) = delete;
    GtkDialogFront& operator=(const GtkDialogFront&) = delete;

    void SetItemText(int index, const std::string& utf8) override;
    std::string ItemText(int index) const override;
    void ShowMessage(const std::string& caption, const std::string& text, bool error) override;

    // Shows the dialog and handles its events until the session has ended.
    void RunModal();

private:
    GtkWidget* ItemWidget(int index) const { return widgets_[static_cast<size_t>(index)]; }
    RECT ItemPixels(int index) const;
    void ApplyStyle();
    GtkWidget* CreateItemWidget(int index);
    int FocusedIndex() const;
    void MoveFocus(bool backward);
    void PressEnter();

    static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void OnClicked(GtkButton* button, gpointer self);

    DialogHost& host_;
    DialogFont font_;
    GtkCssProvider* provider_ = nullptr;
    GtkWidget* window_ = nullptr;
    std::vector<GtkWidget*> widgets_;
};

}  // namespace layer
