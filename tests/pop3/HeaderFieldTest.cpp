// ExtractHeaderField: the unfolded value of the first line that starts with
// the field name, as the check cycle takes the Subject from a header text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pop3/Pop3Client.h"

namespace {

TEST(HeaderField, Cases) {
    const std::string s = "+OK 300 octets\r\n";
    const std::string filled = s + "X-Filler: " + std::string(8100, 'f') + "\r\nSubject: ";
    const std::string longName(2000, 'N');
    struct {
        const char* why;
        std::string source;
        const char* name;
        std::string expected;
    } const cases[] = {
        {"one space after the colon", s + "From: a\r\nSubject: Hello\r\nTo: b",
         "Subject:", "Hello"},
        {"no space: the first letter is lost", s + "Subject:Hello\r\nTo: b", "Subject:", "ello"},
        {"no status line: no CR LF before the first line", "Subject: x\r\nTo: b", "Subject:", ""},
        {"last line, no CR LF after it", s + "From: a\r\nSubject: at the end",
         "Subject:", "at the end"},
        {"the name is case-sensitive", s + "subject: lower\r\nTo: b", "Subject:", ""},
        {"only the first occurrence", s + "Subject: one\r\nSubject: two", "Subject:", "one"},
        {"a name inside a line is no match", s + "X-Subject: no\r\nTo: b", "Subject:", ""},
        {"the name is a line prefix", s + "X-Subjective: yes\r\nTo: b", "X-Subj", "yes"},
        {"text ends at the colon", s + "Subject:", "Subject:", ""},
        {"text ends after the skipped space", s + "Subject: ", "Subject:", ""},
        {"CR LF right after the colon", s + "Subject:\r\nFrom: a\r\nTo: b",
         "Subject:", "\nFrom: a"},
        {"empty source", "", "Subject:", ""},
        // Folded lines lose their line break and one blank.
        {"one space", s + "Subject: first\r\n second\r\nTo: b", "Subject:", "firstsecond"},
        {"two spaces", s + "Subject: first\r\n  second\r\nTo: b", "Subject:", "first second"},
        {"several lines, tab and spaces", s + "Subject: a\r\n b\r\n\tc\r\n  d\r\nTo: x",
         "Subject:", "abc d"},
        {"on the last line", s + "Subject: a\r\n b", "Subject:", "ab"},
        {"CR LF then the end", s + "Subject: a\r\n", "Subject:", "a"},
        {"a value cut at 1023", s + "Subject: " + std::string(1500, 'v'),
         "Subject:", std::string(1023, 'v')},
        {"the field beyond the first 8191 characters", filled + "\r\nSubject: late",
         "Subject:", ""},
        {"a value cut by them", filled + std::string(200, 'w'),
         "Subject:", std::string(8191 - filled.size(), 'w')},
        {"a name too long for the key is cut", s + longName + ": x", longName.c_str(), "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Pop3Client client;
        char output[4096];
        std::memset(output, '#', sizeof output);
        std::string source = c.source;
        EXPECT_EQ(client.ExtractHeaderField(source.c_str(), c.name, output), 1);
        EXPECT_EQ(std::string(output), c.expected);
        EXPECT_EQ(source, c.source) << "the source is never changed";
        EXPECT_EQ(output[1024], '#') << "nothing written past 1024 bytes";
    }
}

}  // namespace
