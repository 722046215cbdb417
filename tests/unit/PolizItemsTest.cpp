// The POLIZ container's items: each address gives back the lexeme pushed or put there, however
// often a lexeme recurs and whichever other programs it is pushed into as well.
#include <gtest/gtest.h>

#include <vector>

#include "lexemes/Label.h"
#include "lexemes/Word.h"
#include "poliz/Poliz.h"

TEST(PolizItems, RecurringLexemesComeBackAtTheirAddresses) {
    Delim plus("+");
    Delim minus("-");
    Label label(0);
    Poliz poliz;
    const std::vector<Lex*> pushed = {&plus, &minus, &plus, &plus, &label, &minus, &label};
    for (std::size_t k = 0; k < pushed.size(); ++k) EXPECT_EQ(poliz.push(pushed[k]), static_cast<int>(k));
    ASSERT_EQ(poliz.size(), static_cast<int>(pushed.size()));
    for (int address = 0; address < poliz.size(); ++address)
        EXPECT_EQ(poliz.at(address), pushed[static_cast<std::size_t>(address)]) << address;
}

// A placeholder patched with a label: only that address changes, and the patched lexeme can
// be pushed again after it.
TEST(PolizItems, ReplacingChangesOnlyThatAddress) {
    Delim empty("empty");
    Delim jump("jump");
    Label to(3);
    Poliz poliz;
    poliz.push(&empty);
    poliz.push(&jump);
    poliz.push(&empty);
    poliz[0] = &to;
    poliz.push(&to);
    EXPECT_EQ(poliz.at(0), &to);
    EXPECT_EQ(poliz.at(1), &jump);
    EXPECT_EQ(poliz.at(2), &empty);
    EXPECT_EQ(poliz.at(3), &to);
    poliz[3] = &jump;
    EXPECT_EQ(poliz.at(3), &jump);
    EXPECT_EQ(poliz.at(0), &to);
}

// Lexemes shared between programs (a tool translating twice, a test building by hand) are
// found in each, whatever order they were first pushed in there.
TEST(PolizItems, ALexemeInSeveralProgramsIsFoundInEach) {
    Delim a("a");
    Delim b("b");
    Delim c("c");
    Poliz first;
    Poliz second;
    first.push(&a);
    first.push(&b);
    first.push(&c);
    second.push(&c);  // numbered beyond what `second` lists so far
    second.push(&a);
    first.push(&c);
    first.push(&a);
    second.push(&b);  // numbered where `second` lists another lexeme
    second.push(&c);
    const std::vector<Lex*> inFirst = {&a, &b, &c, &c, &a};
    const std::vector<Lex*> inSecond = {&c, &a, &b, &c};
    for (std::size_t k = 0; k < inFirst.size(); ++k)
        EXPECT_EQ(first.at(static_cast<int>(k)), inFirst[k]) << k;
    for (std::size_t k = 0; k < inSecond.size(); ++k)
        EXPECT_EQ(second.at(static_cast<int>(k)), inSecond[k]) << k;
}
