// For tests: a dialog opened without a display, its controls keeping their
// texts in memory, so a dialog procedure can be driven through the same calls
// the program makes (GetDlgItem, SetWindowTextA, GetWindowTextA, EndDialog).
#pragma once

#include <winuser.h>

namespace layer {

// Builds the dialog from its template and sends WM_INITDIALOG as
// DialogBoxParamA does. Null when there is no such template.
HWND OpenDialogWithoutDisplay(LPCSTR templateName, DLGPROC procedure, LPARAM param);
// Sends WM_COMMAND with BN_CLICKED, as a button, Enter or Esc would.
void PressDialogButton(HWND dialog, int id);
// Whether EndDialog has been called, and with what result.
bool DialogHasEnded(HWND dialog, INT_PTR* result);
void CloseDialogWithoutDisplay(HWND dialog);

}  // namespace layer
