#include "platform/posix/gtk/dialog_font.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <strings.h>

namespace layer {

namespace {

const int kLogicalDpi = 96;

// Stand-ins when the face is missing, as IPA's fonts are the ones packaged here:
// the proportional one first, like the MS UI Gothic it replaces.
const char* const kFallbackFamilies[] = {"IPAPGothic", "IPAGothic"};

int MulDivRounded(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

// Whether fontconfig has the family itself (not a substitute) with kana in it.
bool HasJapaneseFamily(const char* family) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (!pattern) return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* found = nullptr;
    FcCharSet* charset = nullptr;
    const bool ok = FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch &&
                    strcasecmp(reinterpret_cast<const char*>(found), family) == 0 &&
                    FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch &&
                    FcCharSetHasChar(charset, 0x3042);
    FcPatternDestroy(match);
    return ok;
}

}  // namespace

DialogFont::DialogFont(const char* face, int pointSize)
    : family_("sans-serif"), pixelSize_(MulDivRounded(pointSize, kLogicalDpi, 72)) {
    if (HasJapaneseFamily(face)) {
        family_ = face;
    } else {
        for (const char* fallback : kFallbackFamilies) {
            if (!HasJapaneseFamily(fallback)) continue;
            family_ = fallback;
            break;
        }
    }
    Measure();
}

void DialogFont::Measure() {
    PangoFontMap* fontMap = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap), kLogicalDpi);
    PangoContext* context = pango_font_map_create_context(fontMap);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, family_.c_str());
    pango_font_description_set_absolute_size(description, pixelSize_ * PANGO_SCALE);

    PangoFontMetrics* metrics =
        pango_context_get_metrics(context, description, pango_language_from_string("ja"));
    baseUnitY_ = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics)) +
                 PANGO_PIXELS(pango_font_metrics_get_descent(metrics));
    pango_font_metrics_unref(metrics);

    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    baseUnitX_ = (width / 26 + 1) / 2;

    g_object_unref(layout);
    pango_font_description_free(description);
    g_object_unref(context);
    g_object_unref(fontMap);
}

RECT DialogFont::ToPixels(int x, int y, int cx, int cy) const {
    RECT rect;
    rect.left = MulDivRounded(x, baseUnitX_, 4);
    rect.top = MulDivRounded(y, baseUnitY_, 8);
    rect.right = rect.left + MulDivRounded(cx, baseUnitX_, 4);
    rect.bottom = rect.top + MulDivRounded(cy, baseUnitY_, 8);
    return rect;
}

}  // namespace layer
