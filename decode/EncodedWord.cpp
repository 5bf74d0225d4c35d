#include "decode/EncodedWord.h"

#include <cstring>

namespace {

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The word whose "=?" is at start, or false.
bool ReadWord(const char* start, EncodedWord& word) {
    const char* charset = start + 2;
    const char* mark = std::strchr(charset, '?');
    if (mark == nullptr) return false;
    const char letter = static_cast<char>(mark[1] & ~0x20);
    if ((letter != 'B' && letter != 'Q') || mark[2] != '?') return false;
    const char* text = mark + 3;
    const char* closer = std::strstr(text, "?=");
    if (closer == nullptr) return false;
    const std::size_t textLength = static_cast<std::size_t>(closer - text);
    if (std::memchr(text, '\n', textLength) != nullptr ||
        std::memchr(text, '\r', textLength) != nullptr)
        return false;
    word = {start,      charset,   static_cast<std::size_t>(mark - charset), letter, text,
            textLength, closer + 2};
    return true;
}

}  // namespace

bool FindEncodedWord(const char* from, EncodedWord& word) {
    for (const char* start = std::strstr(from, "=?"); start != nullptr;
         start = std::strstr(start + 1, "=?"))
        if (ReadWord(start, word)) return true;
    return false;
}

int DecodeBase64Text(const char* text, std::size_t length, unsigned char* out) {
    std::size_t end = length;
    while (end > 0 && length - end < 2 && text[end - 1] == '=')
        --end;
    if (end % 4 == 1) return -1;
    int count = 0;
    unsigned int bits = 0;
    int held = 0;
    for (std::size_t i = 0; i < end; ++i) {
        const int sextet = Sextet(text[i]);
        if (sextet < 0) return -1;
        bits = (bits << 6 | static_cast<unsigned int>(sextet)) & 0xFFFFFF;
        held += 6;
        if (held >= 8) {
            held -= 8;
            out[count++] = static_cast<unsigned char>(bits >> held);
        }
    }
    return count;
}

int DecodeQText(const char* text, std::size_t length, unsigned char* out) {
    int count = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        const int high = c == '=' && i + 2 < length ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            out[count++] = static_cast<unsigned char>(high * 16 + low);
            i += 2;
        } else {
            out[count++] = static_cast<unsigned char>(c == '_' ? ' ' : c);
        }
    }
    return count;
}
