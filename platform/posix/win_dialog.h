// USER32's dialog boxes and SHELL32's document opener, as the configuration
// dialog uses them. Dialogs are built in GTK 3 from the same template as the
// Windows resource (resources/ConfigDialog.inc); texts cross between the
// program's code page 932 and GTK's UTF-8.
#pragma once

#include "platform/posix/win_types.h"
#include "platform/posix/win_user.h"

#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

#define MAKEWPARAM(low, high) ((WPARAM)(DWORD)(((WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))

#define IDOK 1
#define IDCANCEL 2

#define BN_CLICKED 0

#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u

#define DS_SETFONT 0x0040u
#define DS_MODALFRAME 0x0080u
#define DS_CENTER 0x0800u

#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_TYPEMASK 0x000Fu

#define ES_LEFT 0x0000u
#define ES_RIGHT 0x0002u
#define ES_PASSWORD 0x0020u
#define ES_AUTOHSCROLL 0x0080u

#define SS_LEFT 0x0000u

#define SE_ERR_NOASSOC 31

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// DialogBoxParamA (USER32): builds the dialog template named by the resource id
// (templates are linked into the program, so the instance is not consulted),
// sends WM_INITDIALOG with the parameter, then runs the dialog modally until
// the procedure calls EndDialog, and returns that result. Buttons, Enter (the
// focused push button, else the default one) and Esc or the close box (IDCANCEL)
// reach the procedure as WM_COMMAND with BN_CLICKED. Tab and Shift+Tab follow
// the template order. Owner windows are not provided (assert). Returns -1 when
// no display can be opened.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM param);

// EndDialog (USER32): marks the dialog finished with the result; the modal loop
// returns it once the current message is handled. FALSE for a handle that is no
// open dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);

// GetDlgItem (USER32): the control with the id, or NULL.
HWND GetDlgItem(HWND dialog, int id);

// SetWindowTextA (USER32): a control's text, given in code page 932.
BOOL SetWindowTextA(HWND control, LPCSTR text);

// GetWindowTextA (USER32): a control's text in code page 932, cut to size - 1
// bytes without splitting a double-byte character; returns the bytes copied.
int GetWindowTextA(HWND control, LPSTR buffer, int size);

// ShellExecuteA (SHELL32): "open" (or no verb) hands the file or address to the
// desktop's opener, xdg-open, and returns at once without waiting for it.
// Returns a value above 32 when the opener started, SE_ERR_NOASSOC otherwise.
// Parameters and a working folder are not provided (assert).
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);

// GetModuleFileNameA (KERNEL32): the program's own path in code page 932, cut
// to size - 1 bytes; returns the bytes copied, or size when it was cut. Only
// the program itself (NULL) is provided.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// IsDBCSLeadByte (KERNEL32): whether the byte starts a double-byte character
// of code page 932.
BOOL IsDBCSLeadByte(BYTE byte);
