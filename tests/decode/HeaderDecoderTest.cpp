// The header decoder and the scanning it shares with the reply parsing, on both targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "decode/HeaderDecoder.h"

namespace {

const UINT kSjis = 932, kWestern = 1252;
const char kGuard = '\x5A';
const std::string U = "=?ISO-2022-JP?B?";
const std::string kA = "GyRCJCIbKEI=";  // ESC $ B 0x24 0x22 ESC ( B: HIRAGANA A
const std::string SA = "\x82\xA0", J2 = "\x1B$B";

// A guarded buffer of size bytes that got expected and its terminator, nothing else.
std::string Written(const std::string& expected, std::size_t size) {
    std::string out = expected + '\0';
    out.resize(size, kGuard);
    return out;
}

// Into a guarded buffer and in place, to the code page named. Expected bytes: Python's
// email.header and codecs; the corpus is make_corpus.py's.
TEST(DecodeHeaderValue, CasesAndPythonCodecs) {
    const std::string re = "Re: " + U + kA + "?=", x200(200, 'x');
    const std::string nec = U + "GyRCLSEtNi1qfGIbKEI=?=";  // circled 1, roman II, (kabu), taka
    const std::string longCharset = "=?" + x200 + "?B?44OG?=";
    struct {
        std::string value, expected;
        std::size_t size = 4096;
        UINT codePage = kSjis;
    } const cases[] = {
        {nec, "\x87\x40\x87\x55\x87\x8A\xEE\xE0"},
        {"Re: " + nec, "Re: -!-6-j|b", 4096, kWestern},  // escapes go, JIS stays
        {re, "Re: \x82", 6},                             // half a character
        {std::string(3000, 'p'), std::string(1023, 'p')},
        {re + x200 + re, "Re: " + SA + x200.substr(0, 93), 100},  // every append is cut
        // The word grammar: charset and letter in any case, an RFC 2231 language suffix; Q's
        // =XX in either case, _ a space, a lone = itself; an empty word.
        {"=?uTf-8?b?44OG44K544OI?=", "\203e\203X\203g"},
        {"=?utf-8*ja?B?44OG44K544OI?=", "\203e\203X\203g"},
        {"=?UTF-8?q?=e3=83=86=E3=82=B9_100=25=4_a=?=", "\203e\203X 100%=4 a="},
        {"a=?utf-8?q?\?=b", "ab"},
        // Stays as written: not Base64, a last group of one character, truncated UTF-8, a
        // charset nobody knows, none, no such encoding, no closer, a 200-byte charset name.
        {"=?UTF-8?B?44O*G?=", "=?UTF-8?B?44O*G?="},
        {"=?UTF-8?B?44OGR?=", "=?UTF-8?B?44OGR?="},
        {"=?UTF-8?B?44O=?=", "=?UTF-8?B?44O=?="},
        {"=?x-unknown?B?44OG?=", "=?x-unknown?B?44OG?="},
        {"=?\?B?44OG?=", "=?\?B?44OG?="},
        {"=?UTF-8?X?44OG?=", "=?UTF-8?X?44OG?="},
        {"Re: =?UTF-8?B?44OG? =", "Re: =?UTF-8?B?44OG? ="},
        {longCharset, longCharset},
        // Each charset family once, to the code page that shows it: UTF-8 to 932 and to 1252,
        // Shift_JIS by each of its names, EUC-JP, Latin-1, ISO-8859-15's euro, ISO-2022-JP in Q.
        {"Re: =?UTF-8?B?5Lya6K2w44Gu5pel56iL44Gr44Gk44GE44Gm?=",
         "Re: \211\357\213c\202\314\223\372\222\366\202\311\202\302\202\242\202\304"},
        {"=?UTF-8?B?UHJpeDogNSDigqwg4oCTIMOpdMOp?=", "Prix: 5 \200 \226 \351t\351", 4096, kWestern},
        {"=?Shift_JIS?B?gqiSbYLngrk=?= =?windows-31j?B?h0CHQQ==?= =?CP932?Q?=83=65?=",
         "\202\250\222m\202\347\202\271\207@\207A\203e"},
        {"=?EUC-JP?B?xvzL3LjspM6l4aG8pes=?=", "\223\372\226{\214\352\202\314\203\201\201[\203\213"},
        {"=?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=", "Gr\374\337e aus K\366ln", 4096, kWestern},
        {"=?iso-8859-15?q?=A4uro?=", "\200uro", 4096, kWestern},
        {"=?ISO-2022-JP?Q?=1B$B$\042=1B(B?=", "\202\240"},
        // What the code page lacks: Hangul in 932, Japanese and Cyrillic in 1252.
        {"=?UTF-8?B?7ZWc6rWtIOODhg==?=", "?\? \203e"},
        {"=?UTF-8?B?5pel5pysIA==?==?koi8-r?B?5ME=?=", "?\? ?\?", 4096, kWestern},
        // Blanks between decoded words go, on one line or across a fold, ISO-2022-JP ones
        // too; other text stays, and so do the blanks beside a word left as written.
        {"=?UTF-8?B?44OG?=  =?UTF-8?B?44K544OI?=", "\203e\203X\203g"},
        {"=?UTF-8?B?44OG?= \011=?UTF-8?Q?=E3=82=B9?=", "\203e\203X"},
        {"=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?iso-2022-jp?b?GyRCJCIbKEI=?=", "\202\240\202\240"},
        {"Re:  =?UTF-8?B?44OG?= and =?UTF-8?B?44OG?= (2) ", "Re:  \203e and \203e (2) "},
        {"=?UTF-8?B?44OG?= =?x-unknown?B?44OG?= =?UTF-8?B?44OG?=",
         "\203e =?x-unknown?B?44OG?= \203e"},
        // Raw 8-bit text without words: UTF-8 converts, Shift_JIS stays; beside a word raw
        // bytes stay; a UTF-8 character cut by the 1023-character limit goes.
        {"Gr\303\274\303\237e aus K\303\266ln", "Gr\374\337e aus K\366ln", 4096, kWestern},
        {"\343\203\206\343\202\271\343\203\210\351\200\201\344\277\241",
         "\203e\203X\203g\221\227\220M"},
        {"\203e\203X\203g", "\203e\203X\203g"},
        {"\343\203\206 =?UTF-8?B?44OG?=", "\343\203\206 \203e"},
        {std::string(1021, 'a') + "\343\203\206xyz", std::string(1021, 'a')},
#include "decode_corpus.inc"
    };
    ASSERT_GE(std::size(cases), 280u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.substr(0, 60));
        const HeaderDecoder decoder(c.codePage);
        std::vector<char> out(c.size + 64, kGuard);
        decoder.DecodeHeaderValue(c.value.c_str(), out.data(), c.size);
        EXPECT_EQ(std::string(out.begin(), out.end()), Written(c.expected, out.size()));
        std::vector<char> same(c.value.begin(), c.value.end());
        same.resize(std::max(c.size, same.size() + 1));
        decoder.DecodeHeaderValue(same.data(), same.data(), c.size);
        EXPECT_EQ(std::string(same.data()), c.expected) << "decoded in place";
    }
}

// Base64 counts the terminator, and every place after it, as 64. A pair's second
// byte is taken whatever it is; out of range, a pair gives two zero bytes.
TEST(DecodeStages, Base64AndJisToShiftJis) {
    const struct {
        bool base64;
        std::string source, expected;  // Base64: the last of the closing zero bytes aside
    } cases[] = {
        {true, "QUJD/+Q", std::string("ABC\xFF\xE4\x40\0\0", 8)},  // the alphabet's ends
        {true, "Q\xC1 =", std::string("\x40\0\0\0\0", 5)},         // not in the alphabet: zero
        {true, "", std::string(3, '\0')},                          // and a fourth zero byte
        {true, std::string(2000, 'A'), std::string(767, '\0') + "\x40" + std::string(2, '\0')},
        {false, "\nA\r\n\n", "\r\nA\r\n\r\n"},
        {false, J2 + "\n \x7F\xA4\x24\x22\x1B(BAB", "\r\n \x7F\xA4" + SA + "AB"},
        {false, J2 + "\x24\x22\x1B(JAB\x1B", SA + "\x1B\x84\xC8\x91\x61\x1B"},  // ESC ( J stays
        {false, J2 + "\x24\x0A\x24\x22\x24", std::string(2, '\0') + SA + std::string(2, '\0')},
        {false, std::string(1022, 'x') + "\n", std::string(1022, 'x') + "\r"},  // cut mid-pair
    };
    const HeaderDecoder decoder(kSjis);
    for (const auto& c : cases) {
        std::vector<unsigned char> source(c.source.begin(), c.source.end());
        source.insert(source.end(), 2, 0);
        std::vector<char> out(HeaderDecoder::kAreaSize + 64, kGuard);
        if (c.base64)
            decoder.DecodeBase64(c.source.c_str(), reinterpret_cast<unsigned char*>(out.data()));
        else
            decoder.JisToShiftJis(source.data(), out.data());
        EXPECT_EQ(std::string(out.begin(), out.end()), Written(c.expected, out.size()));
    }
}

TEST(FindNth, Cases) {
    struct {
        const char *text, *key;
        int n, expected;  // offset of the position returned, -1 for none
    } const cases[] = {
        {"+OK 3 670", " ", 2, 6}, {"+OK 3 670", " ", 3, -1}, {"aaaa", "aa", 3, 3},
        {"abc", "b", 0, -1},      {nullptr, "b", 1, -1},     {"ab", "", 1, 1},
        {"ab", "", 3, -1},  // an empty key never steps past the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeaderDecoder::FindNth(c.text, c.key, c.n),
                  c.expected < 0 ? nullptr : c.text + c.expected)
            << c.text << '/' << c.key << '/' << c.n;
}

// NumberBetween reads the span TextBetween finds by the atoi rule: blanks, one sign touching
// its digits, wrapping modulo 2^32. Without a span, the output stays.
TEST(TextBetween, AndNumberBetween) {
    const std::string dots(8187, '.'), a1023(1023, 'a');
    struct {
        std::string text;
        const char *anchor, *terminator;
        int skip;
        const char* span;  // nullptr: none found
        int number;
    } const cases[] = {
        {"3 670", nullptr, " ", 0, "3", 3},
        {"size=42;", "len=", ";", 4, nullptr, 0},
        {";x42", "x", ";", 1, nullptr, 0},  // terminator only before the start
        {"ab", "ab", "", 2, "", 0},         // skip to exactly the end
        {"ab;", "ab", ";", 4, nullptr, 0},
        {"5;ab", "ab", ";", -2, "5", 5},
        {"5;ab", "ab", ";", -3, nullptr, 0},
        {dots + "K7;", "K", ";", 1, "7", 7},  // within the 8191 characters
        {dots + "..K7;", "K", ";", 1, nullptr, 0},
        {a1023 + "aa;", nullptr, ";", 0, a1023.c_str(), 0},  // the span is cut
        {"= \t\r\n+7;", "=", ";", 1, " \t\r\n+7", 7},
        {"\v\f-3x;", nullptr, ";", 0, "\v\f-3x", -3},
        {"x3;- 3;", "-", ";", 0, "- 3", 0},
        {"-2147483648;", nullptr, ";", 0, "-2147483648", INT_MIN},
        {"4294967299;", nullptr, ";", 0, "4294967299", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 10));
        std::vector<char> out(HeaderDecoder::kAreaSize, kGuard);
        const char* t = c.text.c_str();
        EXPECT_EQ(HeaderDecoder::TextBetween(t, c.anchor, c.terminator, c.skip, out.data()),
                  c.span != nullptr);
        EXPECT_EQ(std::string(out.begin(), out.end()),
                  c.span ? Written(c.span, out.size()) : std::string(out.size(), kGuard));
        EXPECT_EQ(HeaderDecoder::NumberBetween(t, c.anchor, c.terminator, c.skip), c.number);
    }
    EXPECT_EQ(HeaderDecoder::TextBetween(nullptr, "a", ";", 0, nullptr), 0);
    EXPECT_EQ(HeaderDecoder::NumberBetween(nullptr, nullptr, ";", 0), 0);
}

}  // namespace
