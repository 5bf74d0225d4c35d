// The header decoder and the text-scanning operations it shares with the reply
// parsing, on both targets. gtest prints failed byte strings with \x escapes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "decode/HeaderDecoder.h"

namespace {

const UINT kSjis = 932;
const UINT kWestern = 1252;
const char kGuard = '\x5A';
const std::string U = "=?ISO-2022-JP?B?";
const std::string L = "=?iso-2022-jp?B?";
const std::string kA = "GyRCJCIbKEI=";  // ESC $ B 0x24 0x22 ESC ( B: HIRAGANA A
const std::string SA = "\x82\xA0";

std::string Repeat(const std::string& text, int count) {
    std::string out;
    while (count-- > 0)
        out += text;
    return out;
}

struct DecodeCase {
    const char* why;
    std::string value, expected;
    std::size_t size = 4096;  // of the result buffer
    UINT codePage = kSjis;
};

TEST(DecodeHeaderValue, Cases) {
    const std::string two = "Re: " + U + kA + "?= " + U + kA + "?= (2)";
    const std::string many = Repeat(U + " ", 40) + "?=" + std::string(300, 'x') + U + "?=";
    const std::string a1000(1000, 'a');
    const DecodeCase cases[] = {
        {"plain text as it is", "Hello, world", "Hello, world"},
        {"the space between two words stays", two, "Re: " + SA + " " + SA + " (2)"},
        {"other code page: escapes go, JIS stays", two, "Re: $\" $\" (2)", 4096, kWestern},
        {"lower-case marker alone decodes", "x " + L + kA + "?= y", "x " + SA + " y"},
        {"both markers: only upper-case words",
         L + kA + "?= " + U + kA + "?=", L + kA + "?= " + SA},
        {"lower-case b is no marker",
         "=?ISO-2022-JP?b?" + kA + "?=", "=?ISO-2022-JP?b?" + kA + "?="},
        {"folded words stay adjacent", U + kA + "?=" + U + "GyRCJCsbKEI=?=", SA + "\x82\xA9"},
        {"a word with no closer adds nothing", "A " + U + kA, "A "},
        {"unclosed word after a good one", U + kA + "?= x " + U + "abc", SA + " x "},
        {"tail after the last word", U + "GyRCJCIbKEJ4eXo=?=tail", SA + "xyztail"},
        {"NEC row 13: circled 1, roman II, (kabu)",
         U + "GyRCLSEtNi1qGyhC?=", "\x87\x40\x87\x55\x87\x8A"},
        {"NEC row 13 untouched elsewhere", U + "GyRCLSEtNi1qGyhC?=", "-!-6-j", 4096, kWestern},
        {"NEC-selected IBM extension (taka)", U + "GyRCfGIbKEI=?=", "\xEE\xE0"},
        {"lone LF becomes CR LF", U + "YQpi?=", "a\r\nb"},
        {"CR LF stays", U + "YQ0KYg==?=", "a\r\nb"},
        {"ESC ( J does not end two-byte mode",
         U + "GyRCJCIbKEpBQg==?=", SA + "\x1B\x84\xC8\x91\x61"},
        {"last byte paired with the terminator is lost", U + "GyRCJCIk?=!", SA + "!"},
        {"... and kept elsewhere", U + "GyRCJCIk?=!", "$\"$!", 4096, kWestern},
        {"out-of-range pair copied elsewhere", U + "GyRCJCIkCiQiGyhC?=!", "$\"$\n$\"!", 4096,
         kWestern},
        {"result exactly fills the buffer", "Re: " + U + kA + "?=", "Re: " + SA, 7},
        {"one byte short cuts the last byte", "Re: " + U + kA + "?=", "Re: \x82", 6},
        {"a one-byte buffer holds the terminator", "Hello", "", 1},
        {"the value is cut to 1023 characters", std::string(3000, 'p'), std::string(1023, 'p')},
        {"a word cut by that limit adds nothing", a1000 + " " + U + kA + "?=", a1000 + " "},
        {"thousands of markers, no closer", Repeat(U + " ", 2000), ""},
        // Back to back, each marker's "?" and the next one's "=" close a word.
        {"markers back to back", Repeat(U, 2000), Repeat("?ISO-2022-JP?B?", 61) + "?ISO-2022-JP?B"},
        // 40 markers each append the same 300 characters: 12000 bytes, cut.
        {"result cut at 4095", many, std::string(4095, 'x')},
        {"result cut at a small buffer", many, std::string(99, 'x'), 100},
        // 700 LF become 1400 bytes, cut after 1023.
        {"one word's text cut at 1023", U + Repeat("CgoK", 233) + "Cg==?=|",
         Repeat("\r\n", 511) + "\r|"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.why);
        const HeaderDecoder decoder(c.codePage);
        std::vector<char> buffer(c.size + 64, kGuard);
        decoder.DecodeHeaderValue(c.value.c_str(), buffer.data(), c.size);
        EXPECT_EQ(std::string(buffer.data(), c.expected.size() + 1), c.expected + '\0');
        EXPECT_EQ(std::string(buffer.begin() + c.size, buffer.end()), std::string(64, kGuard));
        // The result may be the value's own buffer.
        std::vector<char> same(c.value.begin(), c.value.end());
        same.resize(same.size() < c.size ? c.size : same.size() + 1);
        decoder.DecodeHeaderValue(same.data(), same.data(), c.size);
        EXPECT_EQ(std::string(same.data()), c.expected) << "decoded in place";
    }
}

// Well-formed subjects whose expected bytes come from Python's iso2022_jp and
// cp932 codecs, generated at build time by make_corpus.py.
TEST(DecodeHeaderValue, MatchesPythonCodecs) {
    struct CorpusCase {
        const char *value, *expected;
    } const corpus[] = {
#include "decode_corpus.inc"
    };
    ASSERT_GE(sizeof corpus / sizeof corpus[0], 300u);
    const HeaderDecoder decoder(kSjis);
    for (const CorpusCase& c : corpus) {
        char result[4096];
        decoder.DecodeHeaderValue(c.value, result, sizeof result);
        EXPECT_EQ(std::string(result), c.expected) << c.value;
    }
}

TEST(DecodeBase64, Cases) {
    struct {
        const char* why;
        std::string source, expected;  // up to the three closing zero bytes
    } const cases[] = {
        {"pads count as zero", "QQ==", std::string("A\0\0\0\0\0", 6)},
        {"unpadded: the terminator counts 64", "QUJ", std::string("AB\x80\0\0\0", 6)},
        {"and so does every place after it", "Q", std::string("\x44\x10\x40\0\0\0", 6)},
        {"empty: four zero bytes", "", std::string(4, '\0')},
        {"blanks count as zero", "Q Q=", std::string("\x40\x04\0\0\0\0", 6)},
        {"bytes from 0x80 up count as zero", "\xC1QQQ", std::string("\x01\x04\x10\0\0\0", 6)},
        // 256 groups: the last one ends at the cut, where the terminator counts 64.
        {"only 1023 characters are read", std::string(2000, 'A'),
         std::string(767, '\0') + "\x40" + std::string(3, '\0')},
    };
    const HeaderDecoder decoder(kSjis);
    for (const auto& c : cases) {
        std::vector<unsigned char> out(HeaderDecoder::kAreaSize, 0xCC);
        decoder.DecodeBase64(c.source.c_str(), out.data());
        EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<long>(c.expected.size() + 1)),
                  c.expected + '\xCC')
            << c.why;
    }
}

TEST(JisToShiftJis, Cases) {
    const std::string in2 = "\x1B$B";
    struct {
        const char* why;
        std::string source, expected;  // up to the terminator, zero bytes included
    } const cases[] = {
        {"LF at the very start", "\n", "\r\n"},
        {"two LF in a row", "\n\n", "\r\n\r\n"},
        {"LF in two-byte mode", in2 + "\n", "\r\n"},
        {"back to ASCII", in2 + "\x24\x22\x1B(BAB", SA + "AB"},
        {"ESC $ @ is not recognised", "\x1B$@\x24\x22", "\x1B$@\x24\x22"},
        {"ESC at the end is a byte", "a\x1B", "a\x1B"},
        {"bytes from 0x80 pass in two-byte mode", in2 + "\xA4\xA2", "\xA4\xA2"},
        {"pair with the terminator: nothing", in2 + "\x24\x22\x24", SA + std::string(2, '\0')},
        {"second byte out of range: two zero bytes, then on", in2 + "\x24\x0A\x24\x22",
         std::string(2, '\0') + SA},
        {"converted text cut after 1023 bytes", std::string(700, '\n'), Repeat("\r\n", 511) + "\r"},
    };
    const HeaderDecoder decoder(kSjis);
    for (const auto& c : cases) {
        std::vector<unsigned char> source(c.source.begin(), c.source.end());
        source.insert(source.end(), 2, 0);
        std::vector<char> out(HeaderDecoder::kAreaSize + 64, kGuard);
        decoder.JisToShiftJis(source.data(), out.data());
        EXPECT_EQ(std::string(out.data(), c.expected.size() + 1), c.expected + '\0') << c.why;
        EXPECT_EQ(std::string(out.begin() + HeaderDecoder::kAreaSize, out.end()),
                  std::string(64, kGuard));
    }
}

TEST(FindNth, Cases) {
    const int kNone = -1;
    struct {
        const char *why, *text, *key;
        int n, expected;  // offset of the position returned
    } const cases[] = {
        {"the character after the key", "+OK 3 670", " ", 1, 4},
        {"second occurrence", "+OK 3 670", " ", 2, 6},
        {"fewer occurrences than n", "+OK 3 670", " ", 3, kNone},
        {"CR LF key gives the LF", "+OK\r\nSubject: x", "\r\n", 1, 4},
        {"overlapping occurrences count", "aaaa", "aa", 3, 3},
        {"... and run out", "aaaa", "aa", 4, kNone},
        {"n of zero", "abc", "b", 0, kNone},
        {"negative n", "abc", "b", -2, kNone},
        {"absent text", nullptr, "b", 1, kNone},
        {"key at the very end", "abc", "c", 1, 3},
        {"empty key never steps past the end", "ab", "", 3, kNone},
    };
    for (const auto& c : cases) {
        const char* found = HeaderDecoder::FindNth(c.text, c.key, c.n);
        EXPECT_EQ(found, c.expected == kNone ? nullptr : c.text + c.expected) << c.why;
    }
}

// NumberBetween and TextBetween find the same span; without one, the output stays.
TEST(TextBetween, Cases) {
    const std::string dots(8187, '.');
    struct {
        const char* why;
        std::string text;
        const char *anchor, *terminator;
        int skip;
        const char* span;  // nullptr: none found
        int number;
    } const cases[] = {
        {"STAT count between spaces", "3 670", nullptr, " ", 0, "3", 3},
        {"LIST size up to CR LF", "236\r\n", nullptr, "\r\n", 0, "236", 236},
        {"skip of the anchor's length", "a size=42;", "size=", ";", 5, "42", 42},
        {"skip counts from the anchor's start", "a size=42;", "size=", ";", 0, "size=42", 0},
        {"two spaces give an empty span", "+OK  3 670", "+OK", " ", 3, "", 0},
        {"empty text", "", nullptr, ";", 0, nullptr, 0},
        {"anchor absent", "size=42;", "len=", ";", 4, nullptr, 0},
        {"terminator absent", "42", nullptr, ";", 0, nullptr, 0},
        {"terminator only before the start", ";x42", "x", ";", 1, nullptr, 0},
        {"skip to exactly the end", "ab", "ab", "", 2, "", 0},
        {"skip beyond the end", "ab;", "ab", ";", 4, nullptr, 0},
        {"negative skip before the text", "5;ab", "ab", ";", -3, nullptr, 0},
        {"the first terminator ends it", "x1;2;", "x", ";", 1, "1", 1},
        {"within the 8191 characters", dots + "K7;", "K", ";", 1, "7", 7},
        {"anchor beyond them", dots + "....K7;", "K", ";", 1, nullptr, 0},
        {"terminator beyond them", dots + "..K7;", "K", ";", 1, nullptr, 0},
    };
    for (const auto& c : cases) {
        std::vector<char> out(HeaderDecoder::kAreaSize, '#');
        const char* t = c.text.c_str();
        EXPECT_EQ(HeaderDecoder::TextBetween(t, c.anchor, c.terminator, c.skip, out.data()),
                  c.span != nullptr)
            << c.why;
        EXPECT_EQ(std::string(out.data(), c.span ? std::strlen(c.span) + 1 : 1),
                  c.span ? std::string(c.span) + '\0' : "#")
            << c.why;
        EXPECT_EQ(HeaderDecoder::NumberBetween(t, c.anchor, c.terminator, c.skip), c.number);
    }
    std::vector<char> out(HeaderDecoder::kAreaSize + 16, '#');
    HeaderDecoder::TextBetween((std::string(2000, '9') + ";").c_str(), nullptr, ";", 0, out.data());
    EXPECT_EQ(std::string(out.data()), std::string(1023, '9')) << "the span is cut at 1023";
    EXPECT_EQ(std::string(out.begin() + HeaderDecoder::kAreaSize, out.end()), std::string(16, '#'));
    EXPECT_EQ(HeaderDecoder::TextBetween(nullptr, "a", ";", 0, out.data()), 0);
    EXPECT_EQ(HeaderDecoder::NumberBetween(nullptr, nullptr, ";", 0), 0);
}

// The atoi rule: blanks, one sign touching its digits, wrapping modulo 2^32.
TEST(LeadingNumber, Cases) {
    struct {
        const char* text;
        int expected;
    } const cases[] = {{"3x", 3},
                       {"x3", 0},
                       {"", 0},
                       {" \t\r\n+7", 7},
                       {"\v\f-3", -3},
                       {"- 3", 0},
                       {"+-1", 0},
                       {"2147483647", 2147483647},
                       {"-2147483648", -2147483647 - 1},
                       {"4294967299", 3}};
    for (const auto& c : cases)
        EXPECT_EQ(HeaderDecoder::LeadingNumber(c.text), c.expected) << c.text;
}

}  // namespace
