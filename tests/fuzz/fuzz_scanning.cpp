// FindNth, NumberBetween and TextBetween on any text, key, anchor and terminator: no
// read outside the text, no position outside it, and output left alone on failure.
#include <cstdlib>
#include <cstring>

#include "decode/HeaderDecoder.h"
#include "tests/fuzz/SplitInput.h"

namespace {

const std::size_t kGuardSize = 32;
const char kFill = '\x5A';
const std::size_t kScanLimit = HeaderDecoder::kScanSize - 1;

void CheckFindNth(const std::vector<char>& text, const std::string& key, int n) {
    const char* found = HeaderDecoder::FindNth(text.data(), key.c_str(), n);
    if (found == nullptr) return;
    const std::size_t length = std::strlen(text.data());
    if (found <= text.data() || found > text.data() + length) std::abort();
    if (std::strncmp(found - 1, key.c_str(), std::strlen(key.c_str())) != 0) std::abort();
}

void CheckSpan(const std::vector<char>& text, const char* anchor, const std::string& terminator,
               int skip) {
    std::vector<char> output(HeaderDecoder::kAreaSize + kGuardSize, kFill);
    const int copied =
        HeaderDecoder::TextBetween(text.data(), anchor, terminator.c_str(), skip, output.data());
    const int number = HeaderDecoder::NumberBetween(text.data(), anchor, terminator.c_str(), skip);
    for (std::size_t i = HeaderDecoder::kAreaSize; i < output.size(); ++i)
        if (output[i] != kFill) std::abort();
    if (copied == 0) {
        if (output[0] != kFill || number != 0) std::abort();
        return;
    }
    const std::size_t length = strnlen(output.data(), HeaderDecoder::kAreaSize);
    if (length == HeaderDecoder::kAreaSize) std::abort();
    // The span is a piece of what the working copy holds.
    const std::string seen(text.data(), strnlen(text.data(), kScanLimit));
    if (seen.find(output.data()) == std::string::npos) std::abort();
    if (length < HeaderDecoder::kAreaSize - 1 &&
        number != HeaderDecoder::LeadingNumber(output.data()))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int n = static_cast<std::int8_t>(data[0]);
    const int skip = static_cast<std::int8_t>(data[1]) * ((data[2] & 0x80) != 0 ? 64 : 1);
    const bool noAnchor = (data[2] & 1) != 0;
    const int repeat = 1 + ((data[2] >> 1) & 0x3F);
    // The text, the key or anchor, and the terminator.
    std::vector<std::string> fields = SplitInput(data + 3, size - 3, 3);

    // Repeating the text reaches beyond the 8191-character working copy.
    std::vector<char> text;
    for (int i = 0; i < repeat; ++i)
        text.insert(text.end(), fields[0].begin(), fields[0].end());
    text.push_back('\0');

    CheckFindNth(text, fields[1], n);
    CheckSpan(text, noAnchor ? nullptr : fields[1].c_str(), fields[2], skip);
    return 0;
}
