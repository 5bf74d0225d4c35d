// wsprintfA as the program uses it: "%s" and "%d", capped at 1024 bytes. The
// same cases run natively and against USER32 under Wine.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

TEST(WsprintfTest, FormatsTextAndNumbers) {
    struct Case {
        const char* why;
        std::string expected;
        int (*format)(char*);
    } cases[] = {
        {"text", "[abc]", [](char* out) { return wsprintfA(out, "[%s]", "abc"); }},
        {"empty text", "<>", [](char* out) { return wsprintfA(out, "<%s>", ""); }},
        {"high bytes pass through", "\x93\xfa\x96\x7b",
         [](char* out) { return wsprintfA(out, "%s", "\x93\xfa\x96\x7b"); }},
        {"numbers", "-2147483648|0|2147483647",
         [](char* out) { return wsprintfA(out, "%d|%d|%d", INT_MIN, 0, INT_MAX); }},
        {"folder and name", "C:\\work\\screen.ini",
         [](char* out) { return wsprintfA(out, "%s\\%s", "C:\\work", "screen.ini"); }},
        {"percent", "100%", [](char* out) { return wsprintfA(out, "%d%%", 100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        char out[64];
        std::memset(out, '#', sizeof out);
        int written = c.format(out);
        EXPECT_EQ(std::string(out), c.expected);
        EXPECT_EQ(written, static_cast<int>(c.expected.size()));
    }
}

TEST(WsprintfTest, OutputStopsAt1023CharactersAndTheTerminator) {
    struct Case {
        const char* why;
        size_t textLength;
        const char* format;
        std::string expected;
    } cases[] = {
        {"fits exactly", 1023, "%s", std::string(1023, 't')},
        {"one too many", 1024, "%s", std::string(1023, 't')},
        {"far too long", 5000, "%s", std::string(1023, 't')},
        {"literal after the cut", 1022, "%s!x", std::string(1022, 't') + "!"},
        {"number after the cut", 1020, "%s%d", std::string(1020, 't') + "123"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string text(c.textLength, 't');
        char out[1100];
        std::memset(out, '#', sizeof out);
        wsprintfA(out, c.format, text.c_str(), 12345);
        EXPECT_EQ(std::string(out), c.expected);
        EXPECT_EQ(out[1024], '#') << "nothing written past 1024 bytes";
    }
}

}  // namespace
