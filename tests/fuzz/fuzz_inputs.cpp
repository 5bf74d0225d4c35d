// The first byte picks the part: the decoder, the scanning, or a POP3 client against any
// server replies. Nothing crashes or trips a sanitizer, and each part keeps its promises.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "decode/Charsets.h"
#include "decode/EncodedWord.h"
#include "decode/HeaderDecoder.h"
#include "pop3/Pop3Client.h"
#include "tests/support/ScriptedPop3Peer.h"

namespace {

const std::size_t kArea = HeaderDecoder::kAreaSize;
const std::vector<char> kFresh(kArea + 32, '\x5A');

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// The input split at each '\x01' into count parts, missing ones empty.
std::vector<std::string> Split(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::vector<std::string> parts(count);
    for (std::size_t i = 0, part = 0; i < size; ++i)
        if (data[i] == 1 && part + 1 < count)
            ++part;
        else
            parts[part] += static_cast<char>(data[i]);
    return parts;
}

// Exactly sized blocks for ASan: terminated within size, nothing past it changed.
void CheckKept(const std::vector<char>& after, const std::vector<char>& before, std::size_t size) {
    Check(strnlen(after.data(), size) < size &&
          std::equal(after.begin() + static_cast<long>(size), after.end(),
                     before.begin() + static_cast<long>(size)));
}

// Any result size and target code page, in its own buffer or over the value. The
// conversion also gets the raw bytes, which Base64 of the fuzzer's own rarely yields.
void Decode(std::uint8_t flags, std::size_t size, const std::uint8_t* bytes, std::size_t length) {
    static const HeaderDecoder decoders[] = {HeaderDecoder(932), HeaderDecoder(1252),
                                             HeaderDecoder(65001), HeaderDecoder(20127)};
    const HeaderDecoder& decoder = decoders[(flags & 1) | (flags >> 3 & 2)];
    std::vector<unsigned char> raw(length + 2, 0);  // the conversion's two closing zero bytes
    std::copy(bytes, bytes + length, raw.begin());
    std::vector<char> value(raw.begin(), raw.end() - 1), converted = kFresh;
    decoder.JisToShiftJis(raw.data(), converted.data());
    CheckKept(converted, kFresh, kArea);

    const bool inPlace = (flags & 2) != 0;
    std::vector<char> result(std::max(size, inPlace ? value.size() : 0) + 32, '\x5A');
    if (inPlace) std::copy(value.begin(), value.end(), result.begin());
    const std::vector<char> before = result;
    decoder.DecodeHeaderValue(inPlace ? result.data() : value.data(), result.data(), size);
    CheckKept(result, before, size);
    // Plain ASCII without "=?" comes back, cut to what fits.
    const std::string seen(value.data(), strnlen(value.data(), kArea - 1));
    const bool ascii = std::all_of(seen.begin(), seen.end(), [](char c) { return c > 0; });
    if (ascii && seen.find("=?") == std::string::npos)
        Check(seen.substr(0, size - 1) == result.data());
}

// Words found lie within the text; B and Q decode into exactly sized blocks.
void Words(const std::uint8_t* bytes, std::size_t length) {
    const std::string text(reinterpret_cast<const char*>(bytes), length);
    const char* start = text.c_str();
    const char* end = start + std::strlen(start);
    EncodedWord word;
    for (const char* from = start; FindEncodedWord(from, word); from = word.end) {
        Check(word.start >= from && word.charset == word.start + 2 && word.end <= end &&
              word.text + word.textLength + 2 == word.end);
        CodePageOfCharset(word.charset, word.charsetLength);
        std::vector<unsigned char> b64(word.textLength * 3 / 4), q(word.textLength);
        Check(DecodeBase64Text(word.text, word.textLength, b64.data()) <=
              static_cast<int>(b64.size()));
        Check(DecodeQText(word.text, word.textLength, q.data()) <= static_cast<int>(q.size()));
    }
}

// The platform's conversion of any bytes, in any code page the decoder may name, into
// exactly the room counted first, and back.
void Conversion(std::uint8_t which, const std::uint8_t* bytes, std::size_t length) {
    static const UINT kCodePages[] = {65001, 932, 20932, 1252, 28591, 28605, 936, 949, 950, 54936};
    const UINT codePage = kCodePages[which % std::size(kCodePages)];
    const char* text = reinterpret_cast<const char*>(bytes);
    const int size = static_cast<int>(std::min<std::size_t>(length, 4096));
    for (DWORD flags : {DWORD{0}, DWORD{MB_ERR_INVALID_CHARS}}) {
        const int units = MultiByteToWideChar(codePage, flags, text, size, nullptr, 0);
        if (units == 0) continue;
        std::vector<WCHAR> wide(static_cast<std::size_t>(units));
        Check(MultiByteToWideChar(codePage, flags, text, size, wide.data(), units) == units);
        if (units > 1)
            Check(MultiByteToWideChar(codePage, flags, text, size, wide.data(), units - 1) == 0);
        for (UINT target : {codePage, UINT{932}, UINT{1252}}) {
            const int needed =
                WideCharToMultiByte(target, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
            std::vector<char> out(static_cast<std::size_t>(needed));
            Check(needed > 0 && WideCharToMultiByte(target, 0, wide.data(), units, out.data(),
                                                    needed, nullptr, nullptr) == needed);
        }
    }
}

// Repeating the text reaches beyond the 8191-character working copy.
void Scan(int n, int skip, bool noAnchor, int repeat, const std::vector<std::string>& fields) {
    std::string joined;
    for (int i = 0; i < repeat; ++i)
        joined += fields[0];
    const std::vector<char> exact(joined.c_str(), joined.c_str() + joined.size() + 1);
    const char *text = exact.data(), *key = fields[1].c_str(), *terminator = fields[2].c_str();
    const char* found = HeaderDecoder::FindNth(text, key, n);
    Check(!found || (found > text && found <= text + strlen(text) &&
                     std::strncmp(found - 1, key, strlen(key)) == 0));

    const char* anchor = noAnchor ? nullptr : key;
    std::vector<char> out = kFresh;
    const int copied = HeaderDecoder::TextBetween(text, anchor, terminator, skip, out.data());
    const int number = HeaderDecoder::NumberBetween(text, anchor, terminator, skip);
    if (copied == 0) return Check(out == kFresh && number == 0);
    CheckKept(out, kFresh, kArea);
    // The span is a piece of what the working copy holds.
    Check(std::string(text, strnlen(text, HeaderDecoder::kScanSize - 1)).find(out.data()) !=
          std::string::npos);
    Check(strlen(out.data()) == kArea - 1 || number == HeaderDecoder::LeadingNumber(out.data()));
}

void CheckField(Pop3Client& client, const char* source, const char* name) {
    std::vector<char> output(4096, '#');
    Check(client.ExtractHeaderField(source, name, output.data()) == 1);
    Check(std::memchr(output.data(), '\0', 1024) != nullptr && output[1024] == '#');
}

// The USER and STAT reply, the LIST reply (sent twice), the TOP reply, a field name and a
// header text. Each but the last is one read; in place of an empty one the server hangs up,
// so no receive waits.
void Replies(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts = Split(data, size, 5);
    for (int i : {0, 1})
        parts[i].resize(std::min<std::size_t>(parts[i].size(), Pop3Client::kReceiveBufferSize - 1));
    ScriptedPop3Peer peer;
    peer.Send("+OK\r\n");
    for (int i : {0, 0, 1, 1, 2}) {
        if (parts[i].empty()) break;
        peer.AwaitLine().Send(parts[i]);
    }
    static Pop3Client client;
    if (peer.Hangup().Start() && client.Connect("127.0.0.1", peer.Port()) == 1) {
        client.SendUser("fuzz");
        client.Stat();
        const int listed = client.ListSize(1);
        Check(client.FetchHeader(1) == 1);
        const char* header = client.MessageBuffer();
        Check(std::strstr(header, "\r\n\r\n") == nullptr);
        Check(std::strlen(header) <= (listed < 0 ? 0u : std::min(listed, 65536) + 128u));
        CheckField(client, header, "Subject:");
    }
    client.Close();
    Check(!client.IsOpen());
    CheckField(client, parts[4].c_str(), parts[3].c_str());
    CheckField(client, parts[4].c_str(), "Subject:");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && size <= 65537 && (data[0] & 8) != 0) Replies(data + 1, size - 1);
    if (size < 4 || (data[0] & 8) != 0) return 0;
    if ((data[0] & 0x44) == 0x44) {
        Words(data + 1, size - 1);
        Conversion(data[1], data + 2, size - 2);
    } else if ((data[0] & 4) != 0) {
        Decode(data[0], 1 + static_cast<std::size_t>(data[1] | data[2] << 8) % 5000, data + 3,
               size - 3);
    } else
        Scan(static_cast<std::int8_t>(data[1]),
             static_cast<std::int8_t>(data[2]) * ((data[0] & 0x80) != 0 ? 64 : 1),
             (data[0] & 1) != 0, 1 + (data[3] & 0x3F), Split(data + 4, size - 4, 3));
    return 0;
}
