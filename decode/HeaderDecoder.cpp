// Encoded-words to the code page the saver draws in: ISO-2022-JP by the JIS
// arithmetic, every other charset through UTF-16 with the platform's conversion.
// Every work area has a fixed size and belongs to the call; the members are the
// read-only Base64 reverse table and the code page.
#include "decode/HeaderDecoder.h"

#include <cstring>

#include "decode/Charsets.h"
#include "decode/EncodedWord.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const unsigned char kTerminatorEntry = 64;
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

bool AllBlank(const char* from, const char* to) {
    for (; from < to; ++from)
        if (*from != ' ' && *from != '\t') return false;
    return true;
}

bool HasHighByte(const char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return true;
    return false;
}

// The length without a UTF-8 character that the value's cut left incomplete.
int WithoutCutCharacter(const char* text, int length) {
    int lead = length;
    while (lead > 0 && length - lead < 4 &&
           (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0) return length;
    const unsigned char first = static_cast<unsigned char>(text[lead - 1]);
    const int wanted = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return length - (lead - 1) < wanted ? lead - 1 : length;
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

// A word's text converts to at most 3 bytes per UTF-16 unit (UTF-8 as the code page).
struct HeaderDecoder::WorkAreas {
    char encoded[kAreaSize];
    unsigned char decoded[kAreaSize + 2];
    WCHAR wide[kAreaSize];
    char converted[3 * kAreaSize];
};

HeaderDecoder::HeaderDecoder() : HeaderDecoder(GetACP()) {}

HeaderDecoder::HeaderDecoder(UINT codePage)
    : codePage_(codePage), convertsJis_(codePage == kShiftJisCodePage) {
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
    const int length = CopyCut(value, copy, kAreaSize);
    ResultWriter out(result, resultSize);
    WorkAreas areas;
    const char* plain = copy;  // the text not yet appended
    bool afterWord = false;
    EncodedWord word;
    for (const char* from = copy; FindEncodedWord(from, word); from = word.end) {
        const int converted = ConvertWord(word, areas);
        if (converted < 0) continue;
        // Blanks between two decoded words are not part of the text.
        if (!afterWord || !AllBlank(plain, word.start))
            out.Append(plain, static_cast<std::size_t>(word.start - plain));
        out.Append(areas.converted, static_cast<std::size_t>(converted));
        plain = word.end;
        afterWord = true;
    }
    if (!afterWord && AppendRawUtf8(copy, length, areas, out)) return;
    out.Append(plain);
}

int HeaderDecoder::ConvertWord(const EncodedWord& word, WorkAreas& areas) const {
    const UINT charsetCodePage = CodePageOfCharset(word.charset, word.charsetLength);
    if (charsetCodePage == 0) return -1;
    if (charsetCodePage == kIso2022JpCodePage) return ConvertJisWord(word, areas);
    const int length = word.encoding == 'B'
                           ? DecodeBase64Text(word.text, word.textLength, areas.decoded)
                           : DecodeQText(word.text, word.textLength, areas.decoded);
    if (length <= 0) return length;
    return ConvertText(charsetCodePage, reinterpret_cast<const char*>(areas.decoded), length,
                       areas);
}

// ISO-2022-JP keeps its own conversion, byte for byte: Base64 with the terminator
// counted, then JIS codes to Shift_JIS under code page 932 only.
int HeaderDecoder::ConvertJisWord(const EncodedWord& word, WorkAreas& areas) const {
    const int length =
        CopyCut(word.text, areas.encoded,
                word.textLength < kAreaSize ? static_cast<int>(word.textLength) + 1 : kAreaSize);
    if (word.encoding == 'B') {
        DecodeBase64(areas.encoded, areas.decoded);
    } else {
        const int decoded =
            DecodeQText(areas.encoded, static_cast<std::size_t>(length), areas.decoded);
        areas.decoded[decoded] = areas.decoded[decoded + 1] = 0;
    }
    JisToShiftJis(areas.decoded, areas.converted);
    return static_cast<int>(std::strlen(areas.converted));
}

// Through UTF-16 into the code page, whose default character stands in for what
// it cannot show; -1 when the text is not text of its code page.
int HeaderDecoder::ConvertText(UINT from, const char* text, int length, WorkAreas& areas) const {
    const int units =
        MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text, length, areas.wide, kAreaSize);
    if (units == 0) return -1;
    const int written =
        WideCharToMultiByte(codePage_, 0, areas.wide, units, areas.converted,
                            static_cast<int>(sizeof areas.converted), nullptr, nullptr);
    if (written == 0) return -1;
    const void* zero = std::memchr(areas.converted, 0, static_cast<std::size_t>(written));
    return zero != nullptr ? static_cast<int>(static_cast<const char*>(zero) - areas.converted)
                           : written;
}

// Mail written with raw UTF-8 in its header (RFC 6532); any other 8-bit text stays.
bool HeaderDecoder::AppendRawUtf8(const char* value, int length, WorkAreas& areas,
                                  ResultWriter& out) const {
    if (!HasHighByte(value, length)) return false;
    if (length == kAreaSize - 1) length = WithoutCutCharacter(value, length);
    const int converted = ConvertText(CP_UTF8, value, length, areas);
    if (converted < 0) return false;
    out.Append(areas.converted, static_cast<std::size_t>(converted));
    return true;
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
