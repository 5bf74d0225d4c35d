// Code page 932 text to UTF-8 for drawing, through iconv's "CP932" (Microsoft's
// Shift_JIS: NEC row 13 and the IBM extensions included).
#include <iconv.h>

#include <cerrno>

#include "platform/posix/gdi_objects.h"
#include "platform/posix/iconv_text.h"

namespace {

const char kDefaultGlyph[] = "\xE3\x83\xBB";  // U+30FB KATAKANA MIDDLE DOT

iconv_t Converter() {
    static iconv_t converter = iconv_open("UTF-8", "CP932");
    return converter;
}

// A lead byte whose trail byte is still to come is not drawn yet; a byte that
// starts no character draws as the middle dot, as Windows does.
std::size_t DrawStuck(const char*, std::size_t, int error, std::string& out) {
    if (error == EINVAL) return 0;
    out += kDefaultGlyph;
    return 1;
}

}  // namespace

namespace layer {

std::string Cp932ToUtf8(const char* text, int length) {
    if (length <= 0) return std::string();
    return ConvertText(Converter(), text, static_cast<std::size_t>(length), DrawStuck);
}

}  // namespace layer
