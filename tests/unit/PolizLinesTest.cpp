// The POLIZ container's record of source lines, kept per run of items rather than per item.
#include <gtest/gtest.h>

#include "lexemes/Word.h"
#include "poliz/Poliz.h"

TEST(PolizLines, EveryItemKeepsTheLineItWasAppendedFor) {
    Delim plus("+");
    Poliz poliz;
    const int lines[] = {1, 1, 1, 3, 3, 2, 7, 7, 3};  // lines may repeat, go back and skip
    for (int line : lines) {
        poliz.setSourceLine(line);
        poliz.push(&plus);
    }
    for (int address = 0; address < poliz.size(); ++address)
        EXPECT_EQ(poliz.lineOf(address), lines[address]) << address;
}
