// The text-scanning operations shared by the POP3 reply parsing and the decoder.
// They never change the text they are given and never read outside it.
#include <cstring>

#include "decode/HeaderDecoder.h"

namespace {

// A plain byte-wise substring search. The keys are short, and so are the texts the
// decoder scans many times: the C library's strstr costs more to set up than that.
const char* Search(const char* text, const char* key) {
    if (key[0] == '\0') return text;
    for (const char* p = std::strchr(text, key[0]); p != nullptr; p = std::strchr(p + 1, key[0])) {
        std::size_t i = 1;
        while (key[i] != '\0' && p[i] == key[i])
            ++i;
        if (key[i] == '\0') return p;
    }
    return nullptr;
}

}  // namespace

int HeaderDecoder::CopyCut(const char* text, char* area, int size) {
    std::size_t length = 0;
    if (text != nullptr) {
        length = strnlen(text, static_cast<std::size_t>(size - 1));
        std::memcpy(area, text, length);
    }
    area[length] = '\0';
    return static_cast<int>(length);
}

const char* HeaderDecoder::FindNth(const char* text, const char* key, int n) {
    if (text == nullptr || key == nullptr || n <= 0) return nullptr;
    const char* p = text;
    for (int i = 0; i < n; ++i) {
        const char* hit = Search(p, key);
        // An empty key matches at the terminator too; stepping past it would leave the text.
        if (hit == nullptr || *hit == '\0') return nullptr;
        p = hit + 1;
    }
    return p;
}

char* HeaderDecoder::LocateSpan(const char* text, const char* anchor, const char* terminator,
                                int skip, char* copy) {
    if (text == nullptr || *text == '\0' || terminator == nullptr) return nullptr;
    const int length = CopyCut(text, copy, kScanSize);
    const char* start = anchor != nullptr ? Search(copy, anchor) : copy;
    if (start == nullptr) return nullptr;
    const long offset = start - copy;
    if (skip < -offset || skip > length - offset) return nullptr;
    char* from = copy + offset + skip;
    const char* end = Search(from, terminator);
    if (end == nullptr) return nullptr;
    copy[end - copy] = '\0';
    return from;
}

int HeaderDecoder::LeadingNumber(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    unsigned int value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + static_cast<unsigned int>(*text - '0');
    return static_cast<int>(negative ? 0u - value : value);
}

int HeaderDecoder::NumberBetween(const char* text, const char* anchor, const char* terminator,
                                 int skip) {
    char copy[kScanSize];
    const char* from = LocateSpan(text, anchor, terminator, skip, copy);
    return from != nullptr ? LeadingNumber(from) : 0;
}

int HeaderDecoder::TextBetween(const char* text, const char* anchor, const char* terminator,
                               int skip, char* output) {
    char copy[kScanSize];
    const char* from = LocateSpan(text, anchor, terminator, skip, copy);
    if (from == nullptr) return 0;
    CopyCut(from, output, kAreaSize);
    return 1;
}
