#include "platform/posix/cp932/cp932.h"

#include <cstring>

#include "platform/posix/cp932/iconv_run.h"

namespace layer {

namespace {

const char kDefaultCharacter[] = "\xE3\x83\xBB";  // U+30FB KATAKANA MIDDLE DOT

struct ExtraByte {
    unsigned char byte;
    char16_t character;
};
const ExtraByte kExtraBytes[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3},
};

// UTF-8 of a character of the Basic Multilingual Plane.
std::string Utf8Of(char16_t character) {
    std::string out;
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | character >> 6);
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | character >> 12);
        out += static_cast<char>(0x80 | (character >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
    return out;
}

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

// Converts with a handler for what iconv cannot: it appends what stands in
// for the bytes at `at` and returns how many of them to skip.
template <typename Stuck>
std::string Convert(iconv_t converter, const char* text, std::size_t length, Stuck onStuck) {
    std::string out;
    RunIconv(
        converter, text, length,
        [&](const char* bytes, std::size_t count) { out.append(bytes, count); },
        [&](const char* at, std::size_t left) { return onStuck(at, left, out); });
    return out;
}

// A byte that starts no character, or a lead byte cut off at the end: one of
// Windows' extra single bytes, or its default character.
std::size_t Cp932Stuck(const char* at, std::size_t, std::string& out) {
    const char16_t extra = ExtraCharacter(static_cast<unsigned char>(*at));
    out += extra != 0 ? Utf8Of(extra) : kDefaultCharacter;
    return 1;
}

// Not in the code page, or not UTF-8: one '?' for the whole sequence, as
// WideCharToMultiByte's default character, unless it is an extra single byte.
std::size_t Utf8Stuck(const char* at, std::size_t left, std::string& out) {
    const size_t skip = SequenceLength(at, left);
    char extraByte = '?';
    for (const ExtraByte& extra : kExtraBytes)
        if (Utf8Of(extra.character) == std::string(at, skip))
            extraByte = static_cast<char>(extra.byte);
    out += extraByte;
    return skip;
}

}  // namespace

char16_t ExtraCharacter(unsigned char byte) {
    for (const ExtraByte& extra : kExtraBytes)
        if (byte == extra.byte) return extra.character;
    return 0;
}

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Each converter is opened once: drawing converts every typed byte.
std::string Cp932ToUtf8(const char* text, std::size_t length) {
    static const iconv_t converter = iconv_open("UTF-8", "CP932");
    return Convert(converter, text, length, Cp932Stuck);
}

std::string Utf8ToCp932(const std::string& utf8) {
    static const iconv_t converter = iconv_open("CP932", "UTF-8");
    return Convert(converter, utf8.data(), utf8.size(), Utf8Stuck);
}

std::size_t CopyCut(const char* text, std::size_t length, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return 0;
    std::size_t copied = 0;
    while (copied < length) {
        const bool pair =
            IsLeadByte(static_cast<unsigned char>(text[copied])) && copied + 1 < length;
        const std::size_t step = pair ? 2 : 1;
        if (copied + step > size - 1 || copied + step > length) break;
        copied += step;
    }
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
    return copied;
}

}  // namespace layer
