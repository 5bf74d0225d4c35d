// ISO-2022-JP "B" encoded-words to Shift_JIS. Every work area has a fixed size and
// belongs to the call; the only member is the read-only Base64 reverse table.
#include "decode/HeaderDecoder.h"

#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const unsigned char kTerminatorEntry = 64;
const char kUpperMarker[] = "=?ISO-2022-JP?B?";
const char kLowerMarker[] = "=?iso-2022-jp?B?";
const int kMarkerLength = 16;
const char kCloser[] = "?=";
const int kCloserLength = 2;
const unsigned char kEsc = 0x1B;
const UINT kShiftJisCodePage = 932;

// Three bytes from four reverse-table entries, each byte taken modulo 256.
unsigned char* PutGroup(unsigned char* out, unsigned int a, unsigned int b, unsigned int c,
                        unsigned int d) {
    out[0] = static_cast<unsigned char>(a * 4 + b / 16);
    out[1] = static_cast<unsigned char>(b * 16 + c / 4);
    out[2] = static_cast<unsigned char>(c * 64 + d);
    return out + 3;
}

// The converted-text area: whatever goes beyond 1023 bytes is cut.
class ConvertedText {
public:
    explicit ConvertedText(char* area) : area_(area) {}
    void Put(unsigned int byte) {
        if (length_ < HeaderDecoder::kAreaSize - 1) area_[length_++] = static_cast<char>(byte);
    }
    bool Full() const { return length_ == HeaderDecoder::kAreaSize - 1; }
    void Finish() { area_[length_] = '\0'; }

private:
    char* area_;
    int length_ = 0;
};

bool StartsDesignation(const unsigned char* at, unsigned char intermediate) {
    return at[0] == kEsc && at[1] == intermediate && at[2] == 'B';
}

}  // namespace

// The result buffer: each append lands at the output position and is followed by a
// terminator. Nothing is written past the caller's size; what does not fit is cut.
class HeaderDecoder::ResultWriter {
public:
    ResultWriter(char* result, std::size_t size) : result_(result), room_(size - 1) {
        result_[0] = '\0';
    }
    void Append(const char* text, std::size_t length) {
        if (length > room_ - position_) length = room_ - position_;
        std::memcpy(result_ + position_, text, length);
        position_ += length;
        result_[position_] = '\0';
    }
    void Append(const char* text) { Append(text, std::strlen(text)); }

private:
    char* result_;
    std::size_t room_;
    std::size_t position_ = 0;
};

struct HeaderDecoder::WorkAreas {
    char encoded[kAreaSize];
    unsigned char decoded[kAreaSize];
    char converted[kAreaSize];
};

HeaderDecoder::HeaderDecoder() : HeaderDecoder(GetACP()) {}

HeaderDecoder::HeaderDecoder(UINT codePage) : convertsJis_(codePage == kShiftJisCodePage) {
    std::memset(reverse_, 0, sizeof reverse_);
    for (int i = 0; i < 64; ++i)
        reverse_[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(i);
    // The terminator counts as the alphabet's 65th character.
    reverse_[0] = kTerminatorEntry;
}

HeaderDecoder::~HeaderDecoder() = default;

void HeaderDecoder::DecodeHeaderValue(const char* value, char* result,
                                      std::size_t resultSize) const {
    if (result == nullptr || resultSize == 0) return;
    // Everything reads the copy, so the result may overwrite the value. It holds the
    // value's first 1023 characters.
    char copy[kAreaSize];
    CopyCut(value, copy, kAreaSize);
    // The upper-case form wins when it occurs anywhere; only one form is decoded.
    const char* marker = kUpperMarker;
    const char* found = FindNth(copy, marker, 1);
    if (found == nullptr) {
        marker = kLowerMarker;
        found = FindNth(copy, marker, 1);
    }
    ResultWriter out(result, resultSize);
    if (found == nullptr) {
        out.Append(copy);
        return;
    }
    out.Append(copy, static_cast<std::size_t>(found - 1 - copy));
    const char* last = AppendWords(found - 1, marker, out);
    const char* closer = FindNth(last + 1, kCloser, 1);
    if (closer != nullptr) out.Append(closer + 1);
}

// Appends every encoded-word from the first one on, each followed by the text up to
// the next marker; returns the start of the last one.
const char* HeaderDecoder::AppendWords(const char* first, const char* marker,
                                       ResultWriter& out) const {
    WorkAreas areas;
    const char* word = first;
    for (;;) {
        AppendWord(word, marker, areas, out);
        // White space between adjacent words is part of this text and stays.
        if (TextBetween(word, kCloser, marker, kCloserLength, areas.encoded))
            out.Append(areas.encoded);
        // Found from just after this word's start: the same as counting from the start.
        const char* next = FindNth(word + 1, marker, 1);
        if (next == nullptr) return word;
        word = next - 1;
    }
}

// Decodes the encoded-word that starts at word; one with no closer adds nothing.
void HeaderDecoder::AppendWord(const char* word, const char* marker, WorkAreas& areas,
                               ResultWriter& out) const {
    areas.encoded[0] = '\0';
    TextBetween(word, marker, kCloser, kMarkerLength, areas.encoded);
    DecodeBase64(areas.encoded, areas.decoded);
    JisToShiftJis(areas.decoded, areas.converted);
    out.Append(areas.converted);
}

void HeaderDecoder::DecodeBase64(const char* source, unsigned char* destination) const {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(source);
    const int n = static_cast<int>(strnlen(source, kAreaSize - 1));
    std::memset(destination, 0, 4);
    unsigned char* out = destination;
    int k = 0;
    for (; k + 4 <= n; k += 4)
        out = PutGroup(out, reverse_[in[k]], reverse_[in[k + 1]], reverse_[in[k + 2]],
                       reverse_[in[k + 3]]);
    if (k < n) {
        // Positions at and after the terminator count as the terminator, so a final
        // partial group never depends on what follows it in memory.
        unsigned int entry[4];
        for (int j = 0; j < 4; ++j)
            entry[j] = k + j < n ? reverse_[in[k + j]] : kTerminatorEntry;
        out = PutGroup(out, entry[0], entry[1], entry[2], entry[3]);
    }
    out[0] = out[1] = out[2] = 0;
}

void HeaderDecoder::JisToShiftJis(const unsigned char* source, char* destination) const {
    ConvertedText out(destination);
    bool twoByte = false;
    int i = 0;
    while (source[i] != 0 && !out.Full()) {
        const unsigned char c = source[i];
        if (StartsDesignation(source + i, '$')) {
            twoByte = true;
            i += 3;
        } else if (StartsDesignation(source + i, '(')) {
            twoByte = false;
            i += 3;
        } else if (twoByte && c >= 0x21 && c <= 0x7E) {
            // The second byte is taken whatever it is, the terminator included; the
            // caller's extra zero byte then ends the text.
            const unsigned int code = ConvertJis(c * 256u + source[i + 1]);
            out.Put(code >> 8);
            out.Put(code & 0xFF);
            i += 2;
        } else if (c == '\n' && (i == 0 || source[i - 1] != '\r')) {
            out.Put('\r');
            out.Put('\n');
            ++i;
        } else {
            out.Put(c);
            ++i;
        }
    }
    out.Finish();
}

// JIS X 0208 to Shift_JIS through the C runtime, only under code page 932.
unsigned int HeaderDecoder::ConvertJis(unsigned int code) const {
    return convertsJis_ ? _mbcjistojms(code) : code;
}
