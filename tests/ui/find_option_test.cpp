#include <gtest/gtest.h>

#include "app/Startup.h"

namespace {

struct OptionCase {
    const char* commandLine;
    bool saver;
    bool configure;
    const char* why;
};

const OptionCase kCases[] = {
    {"/s", true, false, "the saver switch"},
    {"-s", true, false, "a dash introduces a switch too"},
    {"/S", false, false, "the comparison is case-sensitive"},
    {"/c", false, true, "the configuration switch"},
    {"-c", false, true, "dash form"},
    {"/c:1234", false, true, "only the option's own length is compared"},
    {"/cx", false, true, "trailing letters do not matter"},
    {"/s /c", true, true, "both switches: the saver is tested first"},
    {"/p 1234", false, false, "the preview switch is not handled"},
    {"/a", false, false, "the password switch is not handled"},
    {"", false, false, "no switch at all"},
    {"s c", false, false, "letters without a switch character"},
    {"/", false, false, "a switch character at the very end"},
    {"-", false, false, "a dash at the very end"},
};

TEST(FindOption, ScansForSwitches) {
    for (const OptionCase& c : kCases) {
        SCOPED_TRACE(std::string("\"") + c.commandLine + "\": " + c.why);
        EXPECT_EQ(FindOption(c.commandLine, "s") != 0, c.saver);
        EXPECT_EQ(FindOption(c.commandLine, "c") != 0, c.configure);
    }
}

TEST(FindOption, ReportsThePositionAfterTheLastMatch) {
    EXPECT_EQ(FindOption("/s", "s"), 1);
    EXPECT_EQ(FindOption("/s -s", "s"), 4);
    EXPECT_EQ(FindOption("x /c:1", "c"), 3);
    EXPECT_EQ(FindOption("/p", "s"), 0);
}

TEST(Startup, StartsWithoutSaverOrDialogSwitchEndAtOnce) {
    // No window and no dialog: these return immediately with exit code 0.
    for (const char* line : {"", "/p 1234", "/a", "/S"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(RunLetterglass(nullptr, line, 1), 0);
    }
    EXPECT_EQ(RunLetterglass(nullptr, nullptr, 1), 0);
}

}  // namespace
