// Code page 932 text to UTF-8 for drawing, through iconv's "CP932" (Microsoft's
// Shift_JIS: NEC row 13 and the IBM extensions included).
#include <iconv.h>

#include <cerrno>

#include "platform/posix/gdi_objects.h"

namespace {

const char kDefaultGlyph[] = "\xE3\x83\xBB";  // U+30FB KATAKANA MIDDLE DOT

iconv_t Converter() {
    static iconv_t converter = iconv_open("UTF-8", "CP932");
    return converter;
}

}  // namespace

namespace layer {

std::string Cp932ToUtf8(const char* text, int length) {
    std::string out;
    iconv_t converter = Converter();
    if (converter == reinterpret_cast<iconv_t>(-1) || length <= 0) return out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text);
    size_t inLeft = static_cast<size_t>(length);
    char buffer[256];
    while (inLeft > 0) {
        char* outPos = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converter, &in, &inLeft, &outPos, &outLeft);
        out.append(buffer, static_cast<size_t>(outPos - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        if (errno == EINVAL) break;  // a lead byte whose trail byte is still to come
        out += kDefaultGlyph;        // EILSEQ: no character starts here
        ++in;
        --inLeft;
    }
    return out;
}

}  // namespace layer
