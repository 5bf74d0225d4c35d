#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "decode/HeaderDecoder.h"

namespace {

const int kNone = -1;
const char kFill = '#';

struct FindCase {
    const char* why;
    const char* text;
    const char* key;
    int n;
    int expected;  // offset of the returned position, or kNone
};

const FindCase kFindCases[] = {
    {"one-character key: the character after it", "+OK 3 670", " ", 1, 4},
    {"second occurrence", "+OK 3 670", " ", 2, 6},
    {"fewer occurrences than n", "+OK 3 670", " ", 3, kNone},
    {"CR LF key gives the LF", "+OK\r\nSubject: x", "\r\n", 1, 4},
    {"overlapping occurrences count separately", "aaaa", "aa", 3, 3},
    {"overlapping occurrences run out", "aaaa", "aa", 4, kNone},
    {"n of zero", "abc", "b", 0, kNone},
    {"negative n", "abc", "b", -2, kNone},
    {"absent text", nullptr, "b", 1, kNone},
    {"key not in text", "abc", "x", 1, kNone},
    {"empty text", "", "a", 1, kNone},
    {"key at the very end", "abc", "c", 1, 3},
    {"case-sensitive", "Subject:", "subject:", 1, kNone},
    {"empty key never steps past the terminator", "ab", "", 3, kNone},
};

TEST(FindNth, Cases) {
    for (const FindCase& c : kFindCases) {
        SCOPED_TRACE(c.why);
        const char* found = HeaderDecoder::FindNth(c.text, c.key, c.n);
        if (c.expected == kNone)
            EXPECT_EQ(found, nullptr);
        else
            EXPECT_EQ(found, c.text + c.expected);
    }
}

struct SpanCase {
    const char* why;
    std::string text;
    const char* anchor;
    const char* terminator;
    int skip;
    bool found;
    std::string span;  // what TextBetween copies
    int number;        // what NumberBetween returns
};

std::string Repeat(char c, std::size_t count) {
    return std::string(count, c);
}

const std::vector<SpanCase>& SpanCases() {
    static const std::vector<SpanCase> cases = {
        {"STAT count between spaces", "3 670", nullptr, " ", 0, true, "3", 3},
        {"LIST size up to CR LF", "236\r\n", nullptr, "\r\n", 0, true, "236", 236},
        {"skip equal to the anchor's length starts after it", "a size=42;", "size=", ";", 5, true,
         "42", 42},
        {"skip counts from the anchor's start", "a size=42;", "size=", ";", 0, true, "size=42", 0},
        {"atoi rule: blanks and sign", "  -17abc;", nullptr, ";", 0, true, "  -17abc", -17},
        {"atoi rule: plus sign", "+5;", nullptr, ";", 0, true, "+5", 5},
        {"two spaces in a row give an empty span", "+OK  3 670", "+OK", " ", 3, true, "", 0},
        {"empty text", "", nullptr, ";", 0, false, "", 0},
        {"anchor absent", "size=42;", "len=", ";", 4, false, "", 0},
        {"terminator absent although digits are there", "42", nullptr, ";", 0, false, "", 0},
        {"terminator only before the start", ";x42", "x", ";", 1, false, "", 0},
        {"skip reaching exactly the end", "ab", "ab", "", 2, true, "", 0},
        {"skip beyond the end", "ab;", "ab", ";", 4, false, "", 0},
        {"negative skip before the text", "5;ab", "ab", ";", -3, false, "", 0},
        {"the first terminator after the start ends the span", "x1;2;", "x", ";", 1, true, "1", 1},
        {"key within the 8191 characters", Repeat('.', 8187) + "K7;", "K", ";", 1, true, "7", 7},
        {"anchor only beyond 8191 characters", Repeat('.', 8191) + "K7;", "K", ";", 1, false, "",
         0},
        {"terminator only beyond 8191 characters", Repeat('.', 8189) + "K7;", "K", ";", 1, false,
         "", 0},
        {"span longer than 1023 characters is cut", Repeat('9', 2000) + ";", nullptr, ";", 0, true,
         Repeat('9', 1023), 0},
    };
    return cases;
}

TEST(NumberBetween, Cases) {
    for (const SpanCase& c : SpanCases()) {
        if (c.span.size() >= 1023) continue;  // atoi overflow is the runtime's own affair
        SCOPED_TRACE(c.why);
        EXPECT_EQ(HeaderDecoder::NumberBetween(c.text.c_str(), c.anchor, c.terminator, c.skip),
                  c.number);
    }
}

// The same numbers from every reply, settings file and edit, on every platform.
TEST(LeadingNumber, FollowsTheAtoiRuleAndWrapsOnOverflow) {
    struct {
        const char* text;
        int expected;
        const char* why;
    } cases[] = {
        {"3x", 3, "digits up to the first other character"},
        {"x3", 0, "no leading digits"},
        {"", 0, "empty"},
        {" \t\r\n+7", 7, "white space and a plus sign"},
        {"-3", -3, "a minus sign"},
        {"- 3", 0, "a sign must touch its digits"},
        {"2147483647", 2147483647, "the largest int"},
        {"-2147483648", -2147483647 - 1, "the smallest int"},
        {"4294967296", 0, "too many digits wrap modulo 2^32"},
        {"4294967299", 3, "and keep wrapping"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + ": " + c.why);
        EXPECT_EQ(HeaderDecoder::LeadingNumber(c.text), c.expected);
    }
}

TEST(NumberBetween, AbsentTextIsZero) {
    EXPECT_EQ(HeaderDecoder::NumberBetween(nullptr, nullptr, ";", 0), 0);
}

TEST(TextBetween, Cases) {
    for (const SpanCase& c : SpanCases()) {
        SCOPED_TRACE(c.why);
        std::vector<char> output(HeaderDecoder::kAreaSize + 16, kFill);
        const std::string before = c.text;
        const int result = HeaderDecoder::TextBetween(c.text.c_str(), c.anchor, c.terminator,
                                                      c.skip, output.data());
        EXPECT_EQ(c.text, before);
        if (c.found) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(std::string(output.data()), c.span);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(output[0], kFill) << "output must stay untouched";
        }
        // Nothing beyond the 1024-byte output area is ever written.
        for (std::size_t i = HeaderDecoder::kAreaSize; i < output.size(); ++i)
            EXPECT_EQ(output[i], kFill);
    }
}

TEST(TextBetween, AbsentTextLeavesOutputUntouched) {
    char output[HeaderDecoder::kAreaSize];
    std::memset(output, kFill, sizeof output);
    EXPECT_EQ(HeaderDecoder::TextBetween(nullptr, "a", ";", 0, output), 0);
    EXPECT_EQ(output[0], kFill);
}

}  // namespace
