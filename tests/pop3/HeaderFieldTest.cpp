// ExtractHeaderField: the unfolded value of the first field line that starts
// with the name, as the check cycle takes the Subject from a header text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pop3/Pop3Client.h"
#include "tests/decode/ByteDump.h"

namespace {

const char kStatus[] = "+OK 300 octets\r\n";

struct FieldCase {
    const char* why;
    std::string source;
    const char* name;
    std::string expected;
};

std::string Extract(const std::string& source, const char* name) {
    Pop3Client client;
    char output[4096];
    std::memset(output, '#', sizeof output);
    std::string untouched = source;
    EXPECT_EQ(client.ExtractHeaderField(untouched.c_str(), name, output), 1);
    EXPECT_EQ(untouched, source) << "the source text is never changed";
    EXPECT_NE(std::memchr(output, '\0', 1024), nullptr)
        << "at most 1023 characters and the terminator";
    EXPECT_EQ(output[1024], '#') << "nothing written past 1024 bytes";
    return output;
}

TEST(HeaderField, ValuesAsTheFieldLinesGiveThem) {
    const std::string s = kStatus;
    const FieldCase cases[] = {
        {"one space after the colon", s + "From: a\r\nSubject: Hello\r\nTo: b",
         "Subject:", "Hello"},
        {"no space: the first letter is lost", s + "Subject:Hello\r\nTo: b", "Subject:", "ello"},
        {"first header line, found after the status line", s + "Subject: first\r\nTo: b",
         "Subject:", "first"},
        {"no status line: the first line has no CR LF before it", "Subject: first\r\nTo: b",
         "Subject:", ""},
        {"last header line, no CR LF after it", s + "From: a\r\nSubject: at the end",
         "Subject:", "at the end"},
        {"only the lower-case name", s + "subject: lower\r\nTo: b", "Subject:", ""},
        {"field missing", s + "From: a\r\nTo: b", "Subject:", ""},
        {"only the first occurrence counts", s + "Subject: one\r\nSubject: two", "Subject:", "one"},
        {"name inside another line is no match", s + "X-Subject: no\r\nTo: b", "Subject:", ""},
        {"the name is matched as a line prefix", s + "X-Subjective: yes\r\nTo: b", "X-Subj", "yes"},
        {"text ends right after the colon", s + "Subject:", "Subject:", ""},
        {"text ends after the skipped space", s + "Subject: ", "Subject:", ""},
        {"CR LF right after the colon: LF and the next line", s + "Subject:\r\nFrom: a\r\nTo: b",
         "Subject:", "\nFrom: a"},
        {"empty source", "", "Subject:", ""},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ByteDump(Extract(c.source, c.name)), ByteDump(c.expected));
    }
}

TEST(HeaderField, FoldedValuesLoseOneBlankPerLineBreak) {
    const std::string s = kStatus;
    const FieldCase cases[] = {
        {"one space: parts joined without a blank", s + "Subject: first\r\n second\r\nTo: b",
         "Subject:", "firstsecond"},
        {"two spaces: one stays", s + "Subject: first\r\n  second\r\nTo: b",
         "Subject:", "first second"},
        {"a tab counts as one blank", s + "Subject: first\r\n\tsecond\r\nTo: b",
         "Subject:", "firstsecond"},
        {"several continuation lines", s + "Subject: a\r\n b\r\n\tc\r\n  d\r\nTo: x",
         "Subject:", "abc d"},
        {"encoded-words end up adjacent",
         s + "Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n =?ISO-2022-JP?B?GyRCJCQbKEI=?=\r\nTo: b",
         "Subject:", "=?ISO-2022-JP?B?GyRCJCIbKEI=?==?ISO-2022-JP?B?GyRCJCQbKEI=?="},
        {"continuation on the last line", s + "Subject: a\r\n b", "Subject:", "ab"},
        {"CR LF then end of text", s + "Subject: a\r\n", "Subject:", "a"},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ByteDump(Extract(c.source, c.name)), ByteDump(c.expected));
    }
}

TEST(HeaderField, LimitsOfTheValueAndTheWorkingCopy) {
    const std::string s = kStatus;
    const std::string longValue(1500, 'v');
    EXPECT_EQ(Extract(s + "Subject: " + longValue + "\r\nTo: b", "Subject:"),
              longValue.substr(0, 1023));

    // The working copy holds the first 8191 characters.
    const std::string filler = s + "X-Filler: " + std::string(8200, 'f');
    EXPECT_EQ(Extract(filler + "\r\nSubject: late", "Subject:"), "");
    std::string nearEnd = s + "X-Filler: " + std::string(8100, 'f') + "\r\nSubject: ";
    const std::size_t room = 8191 - nearEnd.size();
    EXPECT_EQ(Extract(nearEnd + std::string(200, 'w'), "Subject:"), std::string(room, 'w'));

    // A name too long for the key is cut, never overflows.
    const std::string longName(2000, 'N');
    EXPECT_EQ(Extract(s + longName + ": x", longName.c_str()), "x");
}

}  // namespace
