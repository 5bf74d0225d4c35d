// GDI32 objects: brushes, fonts, pens and the stock objects.
#include <cassert>

#include <map>

#include "platform/posix/gdi32/gdi_private.h"

namespace {

enum class Kind { Brush, Font, Pen };

struct GdiObject {
    Kind kind;
    bool stock;
    LOGBRUSH brush;
    layer::FontRequest font;
    COLORREF penColor;
};

// Handles are small numbers, never reused, so a stale handle stays invalid.
std::map<UINT_PTR, GdiObject> objects;
UINT_PTR nextHandle = 0x20000;
std::map<int, UINT_PTR> stockHandles;

UINT_PTR AddObject(const GdiObject& object) {
    const UINT_PTR handle = nextHandle;
    nextHandle += 4;
    objects[handle] = object;
    return handle;
}

const GdiObject* Find(HGDIOBJ handle, Kind kind) {
    auto found = objects.find(reinterpret_cast<UINT_PTR>(handle));
    return (found != objects.end() && found->second.kind == kind) ? &found->second : nullptr;
}

// The system font under code page 932: a Japanese font with a 16-pixel cell.
layer::FontRequest SystemFontRequest() {
    layer::FontRequest request;
    request.height = 16;
    request.weight = FW_NORMAL;
    request.charSet = SHIFTJIS_CHARSET;
    request.pitchAndFamily = FIXED_PITCH;
    return request;
}

GdiObject StockObject(int index) {
    GdiObject object = {Kind::Brush, true, LOGBRUSH{BS_SOLID, 0, 0}, {}, 0};
    switch (index) {
        case WHITE_BRUSH:
            object.brush.lbColor = RGB(255, 255, 255);
            break;
        case BLACK_BRUSH:
            break;
        case BLACK_PEN:
            object.kind = Kind::Pen;
            break;
        case SYSTEM_FONT:
            object.kind = Kind::Font;
            object.font = SystemFontRequest();
            break;
        default:
            assert(false && "GetStockObject: not implemented");
    }
    return object;
}

}  // namespace

namespace layer {

bool BrushInfo(HBRUSH brush, LOGBRUSH* info) {
    const GdiObject* object = Find(brush, Kind::Brush);
    if (object) *info = object->brush;
    return object != nullptr;
}

const FontRequest* FontInfo(HGDIOBJ font) {
    const GdiObject* object = Find(font, Kind::Font);
    return object ? &object->font : nullptr;
}

bool PenColor(HGDIOBJ pen, COLORREF* color) {
    const GdiObject* object = Find(pen, Kind::Pen);
    if (object) *color = object->penColor;
    return object != nullptr;
}

}  // namespace layer

// CreateBrushIndirect (GDI32)
// Solid brushes only.
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    assert(brush && brush->lbStyle == BS_SOLID && "CreateBrushIndirect: solid brushes only");
    if (!brush || brush->lbStyle != BS_SOLID) return nullptr;
    return reinterpret_cast<HBRUSH>(AddObject(GdiObject{Kind::Brush, false, *brush, {}, 0}));
}

// CreateFontA (GDI32)
// Windows face names name no font here: a Shift_JIS fixed-pitch request gets
// the fixed-pitch Japanese font, sized so that a positive height is the cell
// height (ascent + descent) and a negative one the em size. Upright text only.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    assert(width == 0 && escapement == 0 && orientation == 0 &&
           "CreateFontA: upright, natural width only");
    assert(!underline && !strikeOut && "CreateFontA: underline and strike-out are not implemented");
    layer::FontRequest request{height,         width,
                               escapement,     orientation,
                               weight,         italic,
                               underline,      strikeOut,
                               charSet,        outPrecision,
                               clipPrecision,  quality,
                               pitchAndFamily, faceName ? faceName : ""};
    HFONT font = reinterpret_cast<HFONT>(AddObject(GdiObject{Kind::Font, false, {}, request, 0}));
    layer::CurrentDisplay().PrepareFont(font, request);
    return font;
}

// GetStockObject (GDI32)
// The black and white brushes, the black pen and the system font.
HGDIOBJ GetStockObject(int index) {
    auto found = stockHandles.find(index);
    if (found == stockHandles.end())
        found = stockHandles.emplace(index, AddObject(StockObject(index))).first;
    return reinterpret_cast<HGDIOBJ>(found->second);
}

// DeleteObject (GDI32)
// Stock objects survive deletion, as in Windows; an unknown handle fails.
BOOL DeleteObject(HGDIOBJ object) {
    auto found = objects.find(reinterpret_cast<UINT_PTR>(object));
    if (found == objects.end()) return FALSE;
    if (found->second.stock) return TRUE;
    if (found->second.kind == Kind::Font)
        layer::CurrentDisplay().ForgetFont(static_cast<HFONT>(object));
    objects.erase(found);
    return TRUE;
}
