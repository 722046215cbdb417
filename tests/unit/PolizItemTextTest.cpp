// How a string reads in traces, the stepper and explain: one line, every byte still told apart.
#include <gtest/gtest.h>

#include <string>

#include "poliz/PolizItemText.h"

TEST(QuotedEscaped, ControlBytesShowAsTheirHexCode) {
    EXPECT_EQ(quotedEscaped("a\n\t\r\\b"), R"("a\n\t\r\\b")");
    // Both nibbles of each byte: below 0x10, up to 0x1f, and DEL.
    EXPECT_EQ(quotedEscaped(std::string("\x01\x1b\x1f\x7f", 4)), R"("\x01\x1b\x1f\x7f")");
    EXPECT_EQ(quotedEscaped(std::string("\0 ~", 3)), R"("\x00 ~")");
}
