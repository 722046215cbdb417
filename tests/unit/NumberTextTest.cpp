// Reading numbers from views: a view cut out of a longer text ends where it ends, whatever
// follows it in memory. Each prefix of each text is read once as a view into the whole text and
// once as a copy of its own; both readings must agree.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "runtime/NumberText.h"

namespace {

// Texts whose every cut is a different question: blanks, a sign, digits, a point, an exponent.
const char* const kTexts[] = {
    " \t\n\v\f\r7", "+5",          "-12",           "1.5",  "1.25e3", "1e+5",  "2E-3x", "007",
    "2147483648",   "-2147483649", "3.40282347e38", "1e39", ".5",     "-.5e1", "12abc", "9 9",
};

template <typename Read>
void expectViewsEndWhereTheyEnd(Read read) {
    for (const std::string_view text : kTexts)
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            bool viewOver = false, copyOver = false;
            const auto inView = read(text.substr(0, cut), &viewOver);
            const std::string copy(text.substr(0, cut));
            const auto inCopy = read(copy, &copyOver);
            EXPECT_EQ(inView, inCopy) << "'" << copy << "' cut from '" << text << "'";
            EXPECT_EQ(viewOver, copyOver) << "'" << copy << "' cut from '" << text << "'";
        }
}

}  // namespace

TEST(NumberText, AnIntReadFromAViewStopsAtItsEnd) {
    expectViewsEndWhereTheyEnd([](std::string_view t, bool* over) { return readInt(t, over); });
}

TEST(NumberText, ARealReadFromAViewStopsAtItsEnd) {
    expectViewsEndWhereTheyEnd([](std::string_view t, bool* over) { return readReal(t, over); });
}

TEST(NumberText, ReadingAtTheEdges) {
    bool over = false;
    EXPECT_EQ(readInt("2147483647", &over), 2147483647);
    EXPECT_FALSE(over);
    EXPECT_EQ(readInt("2147483648", &over), 2147483647);
    EXPECT_TRUE(over);
    EXPECT_EQ(readInt("-2147483649", &over), -2147483647 - 1);
    EXPECT_TRUE(over);
    EXPECT_FALSE(readReal("1e", &over));
    EXPECT_FALSE(readReal("1e+", &over));
    EXPECT_FALSE(readReal(".", &over));
    EXPECT_EQ(readReal("1e39", &over), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(over);
    EXPECT_EQ(readReal("-.5e1", &over), -5.0f);
    EXPECT_FALSE(over);
}

TEST(NumberText, EveryBlankBeforeANumberIsSkippedAndNothingElse) {
    for (const std::string blank : {" ", "\t", "\n", "\v", "\f", "\r"}) {
        EXPECT_EQ(readInt(blank + blank + "7"), 7) << int(blank[0]);
        EXPECT_EQ(readReal(blank + "-7.5"), -7.5f) << int(blank[0]);
    }
    for (const std::string& other : {std::string("\a"), std::string("_"), std::string(1, '\0')}) {
        EXPECT_FALSE(readInt(other + "7")) << int(other[0]);
        EXPECT_FALSE(readReal(other + "7.5")) << int(other[0]);
    }
}
