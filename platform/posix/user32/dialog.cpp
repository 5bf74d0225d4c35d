// The USER32 dialog calls over DialogSession (the controls) and GtkDialogFront
// (their widgets).
#include <cassert>

#include <cstring>

#include "platform/posix/cp932/cp932.h"
#include "platform/posix/gtk/dialog_gtk.h"
#include "platform/posix/user32/dialog_session.h"

namespace {

// Once per process. GTK would otherwise switch the C locale to the environment's.
bool StartGtk() {
    static const bool started = [] {
        gtk_disable_setlocale();
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return started;
}

}  // namespace

// DialogBoxParamA (USER32)
// A missing template fails with -1 before anything is shown; EndDialog during
// WM_INITDIALOG returns without showing the dialog.
INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM param) {
    assert(owner == nullptr && "DialogBoxParamA: owner windows are not provided");
    const layer::DialogTemplate* dialogTemplate = layer::FindDialogTemplate(templateName);
    if (owner || !dialogTemplate || !procedure) return -1;
    if (!StartGtk()) return -1;
    layer::DialogSession session(*dialogTemplate, procedure, param);
    layer::GtkDialogFront front(session);
    session.SetFront(&front);
    session.Initialize();
    if (!session.Ended()) front.RunModal();
    session.SetFront(nullptr);
    return session.Result();
}

// MessageBoxA (USER32)
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    assert((type & ~MB_ICONERROR) == 0 && "MessageBoxA: only MB_OK is provided");
    if (!StartGtk()) return 0;
    const std::string message = text ? layer::Cp932ToUtf8(text, std::strlen(text)) : "";
    const std::string title = caption ? layer::Cp932ToUtf8(caption, std::strlen(caption)) : "Error";
    const bool error = (type & MB_ICONERROR) != 0;
    layer::DialogSession* session = owner ? layer::DialogSession::FromHandle(owner) : nullptr;
    if (session && session->Front())
        session->Front()->ShowMessage(title, message, error);
    else
        layer::RunGtkMessage(nullptr, title, message, error);
    return IDOK;
}

// EndDialog (USER32)
BOOL EndDialog(HWND dialog, INT_PTR result) {
    layer::DialogSession* session = layer::DialogSession::FromHandle(dialog);
    if (!session) return FALSE;
    session->End(result);
    return TRUE;
}

// GetDlgItem (USER32)
HWND GetDlgItem(HWND dialog, int id) {
    layer::DialogSession* session = layer::DialogSession::FromHandle(dialog);
    if (!session) return nullptr;
    const int index = session->IndexOfId(id);
    return index < 0 ? nullptr : session->ItemHandle(index);
}

// SetWindowTextA (USER32)
// Only dialog controls carry texts here; NULL fails as Windows' invalid handle does.
BOOL SetWindowTextA(HWND control, LPCSTR text) {
    if (!control) return FALSE;
    int index = 0;
    layer::DialogSession* session = layer::DialogSession::FromItem(control, &index);
    assert(session && "SetWindowTextA: only dialog controls are provided");
    return session ? session->SetText(index, text) : FALSE;
}

// GetWindowTextA (USER32)
int GetWindowTextA(HWND control, LPSTR buffer, int size) {
    if (!control) return 0;
    int index = 0;
    layer::DialogSession* session = layer::DialogSession::FromItem(control, &index);
    assert(session && "GetWindowTextA: only dialog controls are provided");
    return session ? session->GetText(index, buffer, size) : 0;
}
