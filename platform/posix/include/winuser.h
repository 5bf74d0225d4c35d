// USER32 as the program uses it: window classes and windows, the thread's
// message queue and window timers, the cursor counter, device contexts,
// dialog boxes and wsprintfA. Windows are shown by the screen the program is
// linked with (x11/); dialogs are built in GTK 3 (gtk/) from the same
// template as the Windows resource.
#pragma once

#include <windef.h>

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_GETMINMAXINFO 0x0024
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_SYSKEYDOWN 0x0104
#define WM_KEYLAST 0x0109
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_RBUTTONDOWN 0x0204
#define WM_MOUSELAST 0x020E

#define SC_CLOSE 0xF060

#define VK_F4 0x73

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002

#define WS_POPUP 0x80000000u
#define WS_EX_TOPMOST 0x00000008u

#define CW_USEDEFAULT ((int)0x80000000)

#define COLOR_WINDOW 5

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

#define IDC_ARROW MAKEINTRESOURCEA(32512)

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
typedef CREATESTRUCTA* LPCREATESTRUCTA;

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// Windows and classes
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID createParam);
BOOL ShowWindow(HWND hwnd, int showCommand);
BOOL UpdateWindow(HWND hwnd);
BOOL DestroyWindow(HWND hwnd);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetDesktopWindow();
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
int GetSystemMetrics(int index);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name);

// Messages and timers
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
int TranslateAcceleratorA(HWND hwnd, HACCEL accelerators, LPMSG msg);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Cursor and device contexts
int ShowCursor(BOOL show);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

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

#define MB_OK 0x0000u
#define MB_ICONERROR 0x0010u

// MessageBoxA (USER32): a message with an OK button, text and caption in code
// page 932 (no caption: "Error"), until OK, Enter or Esc dismisses it. Over an
// open dialog (the owner) it is modal to that dialog. Returns IDOK; 0 when no
// display can be opened. Only MB_OK, with or without MB_ICONERROR, is provided
// (assert).
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

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

// wsprintfA (USER32): %s, %d, %u, %c and %% only; the output is at most 1024
// bytes, so at most 1023 characters and the terminator. Returns the characters
// written, terminator excluded, or 1024 when the output reached the cap.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
