#include <gtest/gtest.h>

#include "app/Startup.h"

// The position after the switch character of the last match, 0 for none.
TEST(FindOption, FindsTheLastSwitch) {
    EXPECT_EQ(FindOption("/s", "s"), 1);
    EXPECT_EQ(FindOption("x -s", "s"), 3) << "a dash introduces a switch too";
    EXPECT_EQ(FindOption("/s -s", "s"), 4) << "the last one";
    EXPECT_EQ(FindOption("/S", "s"), 0) << "case-sensitive";
    EXPECT_EQ(FindOption("/c:1234", "c"), 1) << "only the option's own length is compared";
    EXPECT_EQ(FindOption("/p 1234", "s"), 0) << "the preview switch is not handled";
    EXPECT_EQ(FindOption("s c", "s"), 0) << "letters without a switch character";
    EXPECT_EQ(FindOption("/", "s"), 0) << "a switch character at the very end";
}
