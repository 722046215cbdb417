// The interning table: probing with wrap-around, growth points, ownership.
#include <gtest/gtest.h>

#include <string>

#include "lexemes/Ident.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "scanner/HashMapLex.h"

namespace {

// Counts destructions, so ownership can be checked (a string constant: Ident is final).
int destroyed = 0;
class CountedString : public StringC {
public:
    explicit CountedString(const std::string& text) : StringC(text) {}
    ~CountedString() override { ++destroyed; }
};

// Appends rather than uses operator+ on a literal, which g++ 12 misreports under -Wrestrict.
std::string numbered(const char* prefix, int i) {
    std::string text = prefix;
    text += std::to_string(i);
    return text;
}

}  // namespace

TEST(HashMapLex, EmptyTableFindsNothing) {
    HashMapLex table(64);
    EXPECT_EQ(table[Buffer("a")], nullptr);
    EXPECT_EQ(table[Buffer("")], nullptr);
}

TEST(HashMapLex, CollidingWordsProbeUpward) {
    HashMapLex table(64);
    Lex* brace = table.tryToAdd(new Delim("{"));
    Lex* semicolon = table.tryToAdd(new Delim(";"));  // same hash as "{"
    EXPECT_EQ(table[Buffer("{")], brace);
    EXPECT_EQ(table[Buffer(";")], semicolon);
}

TEST(HashMapLex, GrowsAtSeventyPercentAndKeepsEverything) {
    HashMapLex table(64);
    for (int i = 0; i < 44; ++i) table.tryToAdd(new Ident(Buffer(numbered("v", i))));
    EXPECT_EQ(table.slots(), 64);
    table.tryToAdd(new Ident(Buffer("v44")));
    EXPECT_EQ(table.slots(), 128);
    EXPECT_EQ(table.stored(), 45);
    for (int i = 0; i < 45; ++i) EXPECT_NE(table[Buffer(numbered("v", i))], nullptr) << i;

    HashMapLex small(32);
    for (int i = 0; i < 22; ++i) small.tryToAdd(new StringC(numbered("s", i)));
    EXPECT_EQ(small.slots(), 32);
    small.tryToAdd(new StringC("s22"));
    EXPECT_EQ(small.slots(), 64);
}

TEST(HashMapLex, WrapsAroundFromTheLastSlot) {
    HashMapLex table(64);
    // 97 * 'a' = 9409 = 63 mod 64 only for suitable texts; find two texts hashing to slot 63.
    std::string first, second;
    for (char c = 'A'; c <= 'z' && second.empty(); ++c) {
        for (char d = '0'; d <= 'z'; ++d) {
            std::string text{c, d};
            if ((97 * c + d) % 64 != 63) continue;
            if (first.empty())
                first = text;
            else if (second.empty())
                second = text;
        }
    }
    ASSERT_FALSE(second.empty());
    Lex* a = table.tryToAdd(new Ident(Buffer(first)));
    Lex* b = table.tryToAdd(new Ident(Buffer(second)));  // lands in slot 0
    EXPECT_EQ(table[Buffer(first)], a);
    EXPECT_EQ(table[Buffer(second)], b);
    // An absent text hashing to 1 stops at the empty slot 1 even though slot 0 is taken.
    EXPECT_EQ(table[Buffer("a")], nullptr);
}

TEST(HashMapLex, BytesAboveAsciiStayInRange) {
    HashMapLex table(32);
    std::string high = "\xff\xfe\x80";
    Lex* lex = table.tryToAdd(new StringC(high));
    EXPECT_EQ(table[Buffer(high)], lex);
    Lex* empty = table.tryToAdd(new StringC(""));
    EXPECT_EQ(table[Buffer("")], empty);
    std::string longText(300000, '\x80');  // a large negative sum
    Lex* big = table.tryToAdd(new StringC(longText));
    EXPECT_EQ(table[Buffer(longText)], big);
}

TEST(HashMapLex, OwnsStoredLexemesOnly) {
    destroyed = 0;
    CountedString duplicate("x");
    {
        HashMapLex table(64);
        for (int i = 0; i < 50; ++i) table.tryToAdd(new CountedString(numbered("n", i)));
        table.tryToAdd(new CountedString("x"));
        EXPECT_EQ(table.tryToAdd(&duplicate), &duplicate);  // equal one present: not stored
        EXPECT_EQ(table.stored(), 51);
    }
    EXPECT_EQ(destroyed, 51);
}

TEST(HashMapLex, NumbersAreFoundByValue) {
    HashMapLex ints(64, KeyForm::INT);
    Lex* five = ints.tryToAdd(new Number(Buffer("5")));
    EXPECT_EQ(ints[Buffer("5")], five);
    EXPECT_EQ(ints[Buffer("05")], nullptr);  // probing starts from the hash of the text as written
    EXPECT_EQ(ints[Buffer("x")], nullptr);
    Number other(5);
    EXPECT_EQ(ints.tryToAdd(&other), &other);
    EXPECT_EQ(ints.stored(), 1);

    // A text that hashes alike but denotes another value is passed over.
    Lex* big = ints.tryToAdd(new Number(Buffer("123")));
    EXPECT_EQ(ints[Buffer("123")], big);
    EXPECT_EQ(ints[Buffer("132")], nullptr);

    HashMapLex reals(64, KeyForm::REAL);
    Lex* half = reals.tryToAdd(new Real(Buffer("0.5")));
    EXPECT_EQ(reals[Buffer("0.5")], half);
    EXPECT_EQ(reals[Buffer("5.0")], nullptr);
}
