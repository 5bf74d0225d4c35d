// GDI32 drawing through a window's device context, and USER32's GetDC/ReleaseDC.
#include <cassert>

#include <map>

#include "platform/posix/gdi_objects.h"
#include "platform/posix/recording.h"
#include "platform/posix/user_state.h"
#include "platform/posix/win_user.h"

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

// GetDC (USER32)
// Windows' defaults: white background, black text, the system font, the
// stock black 1-pixel pen, current position (0, 0).
HDC GetDC(HWND hwnd) {
    assert(hwnd && "GetDC: the screen's device context is not implemented");
    if (!layer::IsLiveWindow(hwnd)) return nullptr;
    const UINT_PTR handle = nextContext;
    nextContext += 4;
    contexts[handle] = DeviceContext{hwnd,
                                     RGB(255, 255, 255),
                                     RGB(0, 0, 0),
                                     GetStockObject(SYSTEM_FONT),
                                     GetStockObject(BLACK_PEN),
                                     POINT{0, 0}};
    if (RecordingLog* log = layer::ActiveRecordingLog()) {
        ++log->getDCCalls;
        ++log->openDCs;
    }
    return reinterpret_cast<HDC>(handle);
}

// ReleaseDC (USER32)
// Returns 1 when the device context was the window's and is now released.
int ReleaseDC(HWND hwnd, HDC hdc) {
    RecordingLog* log = layer::ActiveRecordingLog();
    if (log) ++log->releaseDCCalls;
    DeviceContext* context = FindContext(hdc);
    if (!context || context->hwnd != hwnd) return 0;
    contexts.erase(reinterpret_cast<UINT_PTR>(hdc));
    if (log) --log->openDCs;
    layer::CurrentDisplay().FinishDrawing();
    return 1;
}

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
    if (RecordingLog* log = layer::ActiveRecordingLog()) log->backColors.push_back(color);
    return ReplaceColor(hdc, &DeviceContext::backColor, color);
}

// SetTextColor (GDI32)
COLORREF SetTextColor(HDC hdc, COLORREF color) {
    if (RecordingLog* log = layer::ActiveRecordingLog()) log->textColors.push_back(color);
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
    if (RecordingLog* log = layer::ActiveRecordingLog())
        log->texts.push_back(RecordedText{
            x, y, std::string(text ? text : "", static_cast<size_t>(length)),
            static_cast<HFONT>(context->font), context->textColor, context->backColor});
    const layer::FontRequest* request = layer::FontInfo(context->font);
    const std::string utf8 = layer::Cp932ToUtf8(text, length);
    if (request && !utf8.empty())
        layer::CurrentDisplay().DrawText(context->hwnd, static_cast<HFONT>(context->font), *request,
                                         x, y, utf8, context->textColor, context->backColor);
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
    if (RecordingLog* log = layer::ActiveRecordingLog())
        log->lines.push_back(RecordedLine{context->position, to});
    COLORREF color = 0;
    layer::PenColor(context->pen, &color);
    layer::CurrentDisplay().DrawLine(context->hwnd, context->position, to, color);
    context->position = to;
    return TRUE;
}
