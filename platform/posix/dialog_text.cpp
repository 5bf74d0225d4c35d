// The dialog's texts between the program's code page 932 and GTK's UTF-8,
// through iconv's "CP932" plus the single bytes Windows' table has and iconv's
// lacks (0x80, 0xA0, 0xFD-0xFF), so any byte a program puts in survives.
#include <iconv.h>

#include <cstring>

#include "platform/posix/dialog_session.h"
#include "platform/posix/iconv_text.h"

namespace layer {

namespace {

// The bytes of the UTF-8 sequence that starts here: the lead byte and the
// continuation bytes that follow it, so a stray byte is one on its own.
size_t SequenceLength(const char* text, size_t available) {
    const unsigned char lead = static_cast<unsigned char>(*text);
    const size_t wanted = lead >= 0xF8   ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 1;
    size_t length = 1;
    while (length < wanted && length < available &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        ++length;
    return length;
}

const char kDefaultCharacter[] = "\xE3\x83\xBB";  // U+30FB, Windows' default for code page 932

struct ExtraByte {
    unsigned char byte;
    const char* utf8;
};
const ExtraByte kExtraBytes[] = {
    {0x80, "\xC2\x80"},      // U+0080
    {0xA0, "\xEF\xA3\xB0"},  // U+F8F0
    {0xFD, "\xEF\xA3\xB1"},  // U+F8F1
    {0xFE, "\xEF\xA3\xB2"},  // U+F8F2
    {0xFF, "\xEF\xA3\xB3"},  // U+F8F3
};

// A byte that starts no character: one of Windows' extra single bytes, or its
// default character.
std::size_t Cp932Stuck(const char* at, std::size_t, int, std::string& out) {
    const char* replacement = kDefaultCharacter;
    for (const ExtraByte& extra : kExtraBytes)
        if (static_cast<unsigned char>(*at) == extra.byte) replacement = extra.utf8;
    out += replacement;
    return 1;
}

// Not in the code page, or not UTF-8: one '?' for the whole sequence, as
// WideCharToMultiByte's default character, unless it is an extra single byte.
std::size_t Utf8Stuck(const char* at, std::size_t left, int, std::string& out) {
    const size_t skip = SequenceLength(at, left);
    char extraByte = '?';
    for (const ExtraByte& extra : kExtraBytes)
        if (std::strlen(extra.utf8) == skip && std::memcmp(at, extra.utf8, skip) == 0)
            extraByte = static_cast<char>(extra.byte);
    out += extraByte;
    return skip;
}

}  // namespace

std::string Cp932ToUtf8Text(const char* text) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    std::string out = ConvertText(converter, text, std::strlen(text), Cp932Stuck);
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
    return out;
}

std::string Utf8ToCp932(const std::string& utf8) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    std::string out = ConvertText(converter, utf8.data(), utf8.size(), Utf8Stuck);
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
    return out;
}

int CopyCp932(const std::string& text, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    size_t length = 0;
    const size_t limit = static_cast<size_t>(size) - 1;
    while (length < text.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[length])) ? 2 : 1;
        if (length + step > limit || length + step > text.size()) break;
        length += step;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace layer
