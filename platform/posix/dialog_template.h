// Dialog templates as the layer keeps them: the fields of a classic Win32
// dialog template, with texts in UTF-8.
#pragma once

#include "platform/posix/win_dialog.h"

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

}  // namespace layer
