// Dialogs between USER32 and the face that shows them (gtk/): templates as
// the layer keeps them (the fields of a classic Win32 dialog template, with
// texts in UTF-8), what the face asks of the open dialog, and what the dialog
// asks of its face.
#pragma once

#include <string>

#include <winuser.h>

namespace layer {

struct DialogItemTemplate {
    const char* text;
    int id;
    WORD classOrdinal;  // DLGCLASS_BUTTON, DLGCLASS_EDIT or DLGCLASS_STATIC
    DWORD style;
    short x, y, cx, cy;  // dialog units
};

struct DialogTemplate {
    int id;
    DWORD style;
    short x, y, cx, cy;  // dialog units
    const char* title;
    int pointSize;
    const char* face;
    const DialogItemTemplate* items;
    int itemCount;
};

// The template with the resource id (MAKEINTRESOURCEA), or null.
const DialogTemplate* FindDialogTemplate(LPCSTR name);

// The open dialog, as its face sees it: buttons, Enter and Esc send commands.
class DialogHost {
public:
    virtual const DialogTemplate& Template() const = 0;
    virtual bool Ended() const = 0;
    virtual void Command(int id) = 0;

protected:
    ~DialogHost() = default;
};

// The face of an open dialog: its controls' texts, in UTF-8.
class DialogFront {
public:
    virtual ~DialogFront() = default;
    virtual void SetItemText(int index, const std::string& utf8) = 0;
    virtual std::string ItemText(int index) const = 0;
    // A message box modal to the dialog, until it is dismissed.
    virtual void ShowMessage(const std::string& caption, const std::string& text, bool error) = 0;
};

}  // namespace layer
