#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "decode/HeaderDecoder.h"
#include "tests/decode/ByteDump.h"

namespace {

const UINT kJapanese = 932;
const UINT kWestern = 1252;
const std::size_t kSubjectSize = 4096;
const char kGuard = '\x5A';
const std::size_t kGuardSize = 64;

// The value and the bytes it decodes to, in the result buffer size given.
struct DecodeCase {
    const char* why;
    UINT codePage;
    std::string value;
    std::string expected;
    std::size_t resultSize;
};

std::string Repeat(const std::string& text, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

const std::string kUpper = "=?ISO-2022-JP?B?";
const std::string kLower = "=?iso-2022-jp?B?";
const std::string kA = "GyRCJCIbKEI=";  // ESC $ B 0x24 0x22 ESC ( B: HIRAGANA A
const std::string kSjisA = "\x82\xA0";

const std::vector<DecodeCase>& DecodeCases() {
    static const std::vector<DecodeCase> cases = {
        {"plain ASCII comes back byte for byte", kJapanese, "Hello, world", "Hello, world",
         kSubjectSize},
        {"empty value", kJapanese, "", "", kSubjectSize},
        {"two words, the space between them kept", kJapanese,
         "Re: " + kUpper + kA + "?= " + kUpper + kA + "?= (2)",
         "Re: " + kSjisA + " " + kSjisA + " (2)", kSubjectSize},
        {"other code page: escapes removed, JIS bytes kept", kWestern,
         "Re: " + kUpper + kA + "?= " + kUpper + kA + "?= (2)", "Re: $\" $\" (2)", kSubjectSize},
        {"lower-case marker alone is decoded", kJapanese, "x " + kLower + kA + "?= y",
         "x " + kSjisA + " y", kSubjectSize},
        {"both markers: only the upper-case words decode", kJapanese,
         kLower + kA + "?= " + kUpper + kA + "?=", kLower + kA + "?= " + kSjisA, kSubjectSize},
        {"lower-case b as encoding letter is not decoded", kJapanese,
         "=?ISO-2022-JP?b?" + kA + "?=", "=?ISO-2022-JP?b?" + kA + "?=", kSubjectSize},
        {"other charsets pass through", kJapanese,
         "=?UTF-8?B?44GC?=", "=?UTF-8?B?44GC?=", kSubjectSize},
        {"Q encoding passes through", kJapanese,
         "=?ISO-2022-JP?Q?=1B$B$\"=1B(B?=", "=?ISO-2022-JP?Q?=1B$B$\"=1B(B?=", kSubjectSize},
        {"folded words end up adjacent and stay adjacent", kJapanese,
         kUpper + kA + "?=" + kUpper + "GyRCJCsbKEI=?=", kSjisA + "\x82\xA9", kSubjectSize},
        {"a word with no closer leaves only the text before it", kJapanese, "A " + kUpper + kA,
         "A ", kSubjectSize},
        {"an unclosed word after a good one keeps the text between", kJapanese,
         kUpper + kA + "?= x " + kUpper + "abc", kSjisA + " x ", kSubjectSize},
        {"tail after the last word", kJapanese, kUpper + "GyRCJCIbKEJ4eXo=?=tail",
         kSjisA + "xyztail", kSubjectSize},
        {"NEC row 13: circled 1, roman II, (kabu)", kJapanese,
         kUpper + "GyRCLSEtNi1qGyhC?=", "\x87\x40\x87\x55\x87\x8A", kSubjectSize},
        {"NEC row 13 untouched under another code page", kWestern,
         kUpper + "GyRCLSEtNi1qGyhC?=", "\x2D\x21\x2D\x36\x2D\x6A", kSubjectSize},
        {"NEC-selected IBM extension (taka)", kJapanese, kUpper + "GyRCfGIbKEI=?=", "\xEE\xE0",
         kSubjectSize},
        {"lone LF becomes CR LF", kJapanese, kUpper + "YQpi?=", "a\r\nb", kSubjectSize},
        {"CR LF stays as it is", kJapanese, kUpper + "YQ0KYg==?=", "a\r\nb", kSubjectSize},
        {"ESC ( J does not end two-byte mode", kJapanese,
         kUpper + "GyRCJCIbKEpBQg==?=", kSjisA + "\x1B\x84\xC8\x91\x61", kSubjectSize},
        {"last byte paired with the terminator is lost", kJapanese, kUpper + "GyRCJCIk?=!",
         kSjisA + "!", kSubjectSize},
        {"last byte paired with the terminator under another code page", kWestern,
         kUpper + "GyRCJCIk?=!", "$\"$!", kSubjectSize},
        {"second byte out of range ends the word's text", kJapanese, kUpper + "GyRCJCIkCiQiGyhC?=!",
         kSjisA + "!", kSubjectSize},
        {"out-of-range pair copied as it is elsewhere", kWestern, kUpper + "GyRCJCIkCiQiGyhC?=!",
         "$\"$\n$\"!", kSubjectSize},
        {"the result exactly fills the buffer", kJapanese,
         "Re: " + kUpper + kA + "?=", "Re: " + kSjisA, 7},
        {"one byte short cuts the last byte", kJapanese, "Re: " + kUpper + kA + "?=", "Re: \x82",
         6},
        {"a one-byte buffer holds only the terminator", kJapanese, "Hello", "", 1},
        {"a long plain value is cut to 1023 characters", kJapanese, std::string(3000, 'p'),
         std::string(1023, 'p'), kSubjectSize},
        {"a word cut by the 1023-character limit contributes nothing", kJapanese,
         std::string(1000, 'a') + " " + kUpper + kA + "?=", std::string(1000, 'a') + " ",
         kSubjectSize},
        {"a word that just fits the 1023 characters decodes", kJapanese,
         std::string(993, 'a') + kUpper + kA + "?=", std::string(993, 'a') + kSjisA, kSubjectSize},
        {"thousands of markers and no closer", kJapanese, Repeat(kUpper + " ", 2000), "",
         kSubjectSize},
        // Back to back, each marker's last '?' and the next one's '=' form a closer: 63
        // markers fit the 1023 characters, and all but the last two add the text between.
        {"thousands of markers back to back", kJapanese, Repeat(kUpper, 2000),
         Repeat("?ISO-2022-JP?B?", 61) + "?ISO-2022-JP?B", kSubjectSize},
        // Each of the 40 markers appends the same 300 characters: 12000 bytes, cut.
        {"markers before the first closer: result cut at 4095", kJapanese,
         Repeat(kUpper + " ", 40) + "?=" + std::string(300, 'x') + kUpper + "?=",
         std::string(4095, 'x'), kSubjectSize},
        {"the same cut at a small buffer", kJapanese,
         Repeat(kUpper + " ", 40) + "?=" + std::string(300, 'x') + kUpper + "?=",
         std::string(99, 'x'), 100},
        // 700 LF bytes become 1400 bytes, cut after 1023.
        {"converted text of one word cut at 1023 bytes", kJapanese,
         kUpper + Repeat("CgoK", 233) + "Cg==" + "?=|", Repeat("\r\n", 511) + "\r|", kSubjectSize},
    };
    return cases;
}

TEST(DecodeHeaderValue, Cases) {
    for (const DecodeCase& c : DecodeCases()) {
        HeaderDecoder decoder(c.codePage);
        std::vector<char> buffer(c.resultSize + kGuardSize, kGuard);
        decoder.DecodeHeaderValue(c.value.c_str(), buffer.data(), c.resultSize);
        const std::string actual(buffer.data(), strnlen(buffer.data(), c.resultSize));
        SCOPED_TRACE(std::string(c.why) + " (code page " + std::to_string(c.codePage) +
                     ")\n  expected " + ByteDump(c.expected) + "\n  actual   " + ByteDump(actual));
        EXPECT_EQ(actual, c.expected);
        EXPECT_LT(actual.size(), c.resultSize) << "result not terminated within its buffer";
        for (std::size_t i = c.resultSize; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], kGuard) << "written past the buffer at " << i;
    }
}

TEST(DecodeHeaderValue, DecodesInPlace) {
    HeaderDecoder decoder(kJapanese);
    char subject[kSubjectSize];
    std::snprintf(subject, sizeof subject, "%s",
                  ("Re: " + kUpper + kA + "?= " + kUpper + kA + "?= (2)").c_str());
    decoder.DecodeHeaderValue(subject, subject, sizeof subject);
    EXPECT_EQ(std::string(subject), "Re: " + kSjisA + " " + kSjisA + " (2)");
}

TEST(DecodeHeaderValue, DefaultFollowsTheProcessCodePage) {
    HeaderDecoder process;
    HeaderDecoder chosen(GetACP());
    const std::string value = kUpper + "GyRCLSEtNi1qGyhC?=";
    char a[kSubjectSize];
    char b[kSubjectSize];
    process.DecodeHeaderValue(value.c_str(), a, sizeof a);
    chosen.DecodeHeaderValue(value.c_str(), b, sizeof b);
    EXPECT_STREQ(a, b);
}

struct Base64Case {
    const char* why;
    std::string source;
    std::string expected;  // the destination's bytes, the three closing zero bytes included
};

const std::vector<Base64Case>& Base64Cases() {
    static const std::vector<Base64Case> cases = {
        {"pads count as zero", "QQ==", std::string("\x41\0\0\0\0\0", 6)},
        {"one pad", "QUI=", std::string("\x41\x42\0\0\0\0", 6)},
        {"unpadded: the terminator counts 64 fourth", "QUJ", std::string("\x41\x42\x80\0\0\0", 6)},
        {"two characters: positions after the terminator count 64", "QQ",
         std::string("\x41\x10\x40\0\0\0", 6)},
        {"one character", "Q", std::string("\x44\x10\x40\0\0\0", 6)},
        {"empty source leaves four zero bytes", "", std::string("\0\0\0\0", 4)},
        {"blanks are not skipped: they count as zero",
         "Q Q=", std::string("\x40\x04\x00\0\0\0", 6)},
        {"bytes from 0x80 up count as zero", "\xC1QQQ", std::string("\x01\x04\x10\0\0\0", 6)},
        // 256 groups: the last one ends at the cut, where the terminator counts 64.
        {"only the first 1023 characters are read", std::string(2000, 'A'),
         std::string(767, '\0') + "\x40" + std::string(3, '\0')},
    };
    return cases;
}

TEST(DecodeBase64, Cases) {
    const HeaderDecoder decoder(kJapanese);
    for (const Base64Case& c : Base64Cases()) {
        std::vector<unsigned char> destination(HeaderDecoder::kAreaSize + kGuardSize, 0xCC);
        decoder.DecodeBase64(c.source.c_str(), destination.data());
        const std::string actual(
            destination.begin(),
            destination.begin() + static_cast<std::ptrdiff_t>(c.expected.size()));
        SCOPED_TRACE(std::string(c.why) + "\n  expected " + ByteDump(c.expected) + "\n  actual   " +
                     ByteDump(actual));
        EXPECT_EQ(actual, c.expected);
        EXPECT_EQ(destination[c.expected.size()], 0xCC)
            << "wrote past the three closing zero bytes";
    }
}

struct JisCase {
    const char* why;
    UINT codePage;
    std::string source;    // followed by two zero bytes when converted
    std::string expected;  // up to the terminator, zero bytes inside included
};

const std::string kEsc2 = "\x1B$B";
const std::string kEsc1 = "\x1B(B";

const std::vector<JisCase>& JisCases() {
    static const std::vector<JisCase> cases = {
        {"LF at the very start", kJapanese, "\n", "\r\n"},
        {"lone LF between letters", kJapanese, "a\nb", "a\r\nb"},
        {"CR LF is left alone", kJapanese, "a\r\nb", "a\r\nb"},
        {"two LF in a row", kJapanese, "\n\n", "\r\n\r\n"},
        {"LF in two-byte mode", kJapanese, kEsc2 + "\n", "\r\n"},
        {"JIS 0x2422", kJapanese, kEsc2 + "\x24\x22", "\x82\xA0"},
        {"JIS 0x3021", kJapanese, kEsc2 + "\x30\x21", "\x88\x9F"},
        {"JIS 0x2121", kJapanese, kEsc2 + "\x21\x21", "\x81\x40"},
        {"JIS 0x2160", kJapanese, kEsc2 + "\x21\x60", "\x81\x80"},
        {"JIS 0x5F21: lead byte past 0x9F moves up", kJapanese, kEsc2 + "\x5F\x21", "\xE0\x40"},
        {"JIS 0x7C62 (IBM extension)", kJapanese, kEsc2 + "\x7C\x62", "\xEE\xE0"},
        {"single-byte designation returns to ASCII", kJapanese, kEsc2 + "\x24\x22" + kEsc1 + "AB",
         "\x82\xA0"
         "AB"},
        {"ESC ( J does not end two-byte mode", kJapanese, kEsc2 + "\x24\x22\x1B(JAB",
         "\x82\xA0\x1B\x84\xC8\x91\x61"},
        {"ESC $ @ is not recognised", kJapanese, "\x1B$@\x24\x22", "\x1B$@\x24\x22"},
        {"ESC at the end is an ordinary byte", kJapanese, "a\x1B", "a\x1B"},
        {"bytes from 0x80 up pass in two-byte mode", kJapanese, kEsc2 + "\xA4\xA2", "\xA4\xA2"},
        {"pair with the terminator converts to nothing", kJapanese, kEsc2 + "\x24\x22\x24",
         std::string("\x82\xA0\0\0", 4)},
        {"pair with the terminator under another code page", kWestern, kEsc2 + "\x24\x22\x24",
         std::string("\x24\x22\x24\0", 4)},
        {"out-of-range second byte gives two zero bytes, then goes on", kJapanese,
         kEsc2 + "\x24\x0A\x24\x22", std::string("\0\0\x82\xA0", 4)},
        {"no conversion under another code page", kWestern, kEsc2 + "\x24\x22\x30\x21",
         "\x24\x22\x30\x21"},
        {"converted text cut after 1023 bytes", kJapanese, std::string(700, '\n'),
         Repeat("\r\n", 511) + "\r"},
    };
    return cases;
}

TEST(JisToShiftJis, Cases) {
    for (const JisCase& c : JisCases()) {
        const HeaderDecoder decoder(c.codePage);
        std::vector<unsigned char> source(c.source.begin(), c.source.end());
        source.insert(source.end(), 2, 0);
        std::vector<char> destination(HeaderDecoder::kAreaSize + kGuardSize, kGuard);
        decoder.JisToShiftJis(source.data(), destination.data());
        const std::string actual(destination.data(), c.expected.size());
        SCOPED_TRACE(std::string(c.why) + " (code page " + std::to_string(c.codePage) +
                     ")\n  expected " + ByteDump(c.expected) + "\n  actual   " + ByteDump(actual));
        EXPECT_EQ(actual, c.expected);
        EXPECT_EQ(destination[c.expected.size()], '\0') << "terminator expected here";
        for (std::size_t i = HeaderDecoder::kAreaSize; i < destination.size(); ++i)
            ASSERT_EQ(destination[i], kGuard) << "written past the area at " << i;
    }
}

}  // namespace
