// DecodeHeaderValue on any bytes, with any result size, either code page, and the
// result in its own buffer or over the value: nothing at or beyond resultSize changes,
// and the result is terminated within its buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decode/HeaderDecoder.h"

namespace {

const std::size_t kGuardSize = 32;
const char kGuard = '\x5A';
const std::size_t kValueLimit = 1023;

// Wraps raw bytes as one encoded-word, so the ISO-2022-JP conversion sees arbitrary
// bytes that the fuzzer would rarely reach through Base64 of its own.
std::string EncodedWord(const std::uint8_t* data, std::size_t size) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string word = "=?ISO-2022-JP?B?";
    for (std::size_t i = 0; i < size; i += 3) {
        const std::uint32_t group =
            static_cast<std::uint32_t>(data[i] << 16) |
            (i + 1 < size ? static_cast<std::uint32_t>(data[i + 1] << 8) : 0u) |
            (i + 2 < size ? data[i + 2] : 0u);
        word += kAlphabet[group >> 18];
        word += kAlphabet[(group >> 12) & 63];
        word += i + 1 < size ? kAlphabet[(group >> 6) & 63] : '=';
        word += i + 2 < size ? kAlphabet[group & 63] : '=';
    }
    return word + "?=";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const bool japanese = (data[0] & 1) != 0;
    const bool inPlace = (data[0] & 2) != 0;
    const std::size_t resultSize = 1 + static_cast<std::size_t>(data[1] | (data[2] << 8)) % 5000;

    // Exactly sized heap blocks, so ASan sees any access beyond them.
    std::vector<char> value(data + 3, data + size);
    if ((data[0] & 4) != 0) {
        const std::string word = EncodedWord(data + 3, size - 3);
        value.assign(word.begin(), word.end());
    }
    value.push_back('\0');
    std::vector<char> result(std::max(resultSize, inPlace ? value.size() : 0) + kGuardSize, kGuard);
    if (inPlace) std::copy(value.begin(), value.end(), result.begin());
    const std::vector<char> before = result;

    static const HeaderDecoder japaneseDecoder(932), westernDecoder(1252);
    (japanese ? japaneseDecoder : westernDecoder)
        .DecodeHeaderValue(inPlace ? result.data() : value.data(), result.data(), resultSize);

    if (strnlen(result.data(), resultSize) == resultSize) std::abort();
    if (!std::equal(result.begin() + static_cast<std::ptrdiff_t>(resultSize), result.end(),
                    before.begin() + static_cast<std::ptrdiff_t>(resultSize)))
        std::abort();
    // Without an encoded-word the value comes back, cut to what fits.
    const std::string seen(value.data(), strnlen(value.data(), kValueLimit));
    if (seen.find("=?ISO-2022-JP?B?") == std::string::npos &&
        seen.find("=?iso-2022-jp?B?") == std::string::npos) {
        const std::size_t kept = std::min(seen.size(), resultSize - 1);
        if (seen.compare(0, kept, result.data()) != 0 || result[kept] != '\0') std::abort();
    }
    return 0;
}
