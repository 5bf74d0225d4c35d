// USER32's device contexts; GDI32 keeps them.
#include <cassert>

#include <winuser.h>

#include "platform/posix/gdi32/gdi_private.h"
#include "platform/posix/user32/user_private.h"

// GetDC (USER32)
HDC GetDC(HWND hwnd) {
    assert(hwnd && "GetDC: the screen's device context is not implemented");
    return layer::IsLiveWindow(hwnd) ? layer::CreateWindowDC(hwnd) : nullptr;
}

// ReleaseDC (USER32)
// Returns 1 when the device context was the window's and is now released.
int ReleaseDC(HWND hwnd, HDC hdc) {
    return layer::ReleaseWindowDC(hwnd, hdc) ? 1 : 0;
}
