// GDI32 drawing through a window's device context.
#include <cassert>

#include <map>

#include "platform/posix/gdi32/gdi_private.h"

namespace {

// A window's common device context: every GetDC starts from the defaults.
struct DeviceContext {
    HWND hwnd;
    COLORREF backColor;
    COLORREF textColor;
    HGDIOBJ font;
    HGDIOBJ pen;
    POINT position;
};

std::map<UINT_PTR, DeviceContext> contexts;
UINT_PTR nextContext = 0x30000;

DeviceContext* FindContext(HDC hdc) {
    auto found = contexts.find(reinterpret_cast<UINT_PTR>(hdc));
    return found != contexts.end() ? &found->second : nullptr;
}

}  // namespace

namespace layer {

// Windows' defaults: white background, black text, the system font, the
// stock black 1-pixel pen, current position (0, 0).
HDC CreateWindowDC(HWND hwnd) {
    const UINT_PTR handle = nextContext;
    nextContext += 4;
    contexts[handle] = DeviceContext{hwnd,
                                     RGB(255, 255, 255),
                                     RGB(0, 0, 0),
                                     GetStockObject(SYSTEM_FONT),
                                     GetStockObject(BLACK_PEN),
                                     POINT{0, 0}};
    return reinterpret_cast<HDC>(handle);
}

bool ReleaseWindowDC(HWND hwnd, HDC hdc) {
    DeviceContext* context = FindContext(hdc);
    if (!context || context->hwnd != hwnd) return false;
    contexts.erase(reinterpret_cast<UINT_PTR>(hdc));
    CurrentDisplay().FinishDrawing();
    return true;
}

}  // namespace layer

// SelectObject (GDI32)
// Fonts and pens; returns the object of the same kind that was selected.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    DeviceContext* context = FindContext(hdc);
    if (!context) return nullptr;
    HGDIOBJ previous = nullptr;
    COLORREF unused = 0;
    if (layer::FontInfo(object)) {
        previous = context->font;
        context->font = object;
    } else if (layer::PenColor(object, &unused)) {
        previous = context->pen;
        context->pen = object;
    } else {
        assert(false && "SelectObject: only fonts and pens");
    }
    return previous;
}

namespace {

// Sets one of the device context's colours; the previous one, or CLR_INVALID
// for a bad device context.
COLORREF ReplaceColor(HDC hdc, COLORREF DeviceContext::*member, COLORREF color) {
    DeviceContext* context = FindContext(hdc);
    if (!context) return CLR_INVALID;
    const COLORREF previous = context->*member;
    context->*member = color;
    return previous;
}

}  // namespace

// SetBkColor (GDI32)
COLORREF SetBkColor(HDC hdc, COLORREF color) {
    return ReplaceColor(hdc, &DeviceContext::backColor, color);
}

// SetTextColor (GDI32)
COLORREF SetTextColor(HDC hdc, COLORREF color) {
    return ReplaceColor(hdc, &DeviceContext::textColor, color);
}

// TextOutA (GDI32)
// The bytes are code page 932. Drawn with an opaque background, Windows'
// default mode: the text's cell (advance width x font height) is filled with
// the background colour, the glyphs in the text colour; (x, y) is the cell's
// top-left corner.
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    DeviceContext* context = FindContext(hdc);
    if (!context || length < 0 || (length > 0 && !text)) return FALSE;
    const layer::FontRequest* request = layer::FontInfo(context->font);
    if (request && length > 0)
        layer::CurrentDisplay().DrawText(context->hwnd, static_cast<HFONT>(context->font), *request,
                                         x, y, std::string_view(text, static_cast<size_t>(length)),
                                         context->textColor, context->backColor);
    return TRUE;
}

// MoveToEx (GDI32)
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    DeviceContext* context = FindContext(hdc);
    if (!context) return FALSE;
    if (previous) *previous = context->position;
    context->position = POINT{x, y};
    return TRUE;
}

// LineTo (GDI32)
// Draws from the current position up to, but not including, (x, y) with the
// selected pen, then makes (x, y) the current position.
BOOL LineTo(HDC hdc, int x, int y) {
    DeviceContext* context = FindContext(hdc);
    if (!context) return FALSE;
    const POINT to = {x, y};
    COLORREF color = 0;
    layer::PenColor(context->pen, &color);
    layer::CurrentDisplay().DrawLine(context->hwnd, context->position, to, color);
    context->position = to;
    return TRUE;
}
