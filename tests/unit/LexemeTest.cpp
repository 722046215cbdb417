// Text forms, comparisons and value conversions of the lexeme family.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Errors.h"
#include "lexemes/Ident.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "runtime/NumberText.h"

namespace {

std::string unassignedMessage(const Ident& id) {
    try {
        (void)id.getIntVal();
    } catch (const RuntimeError& e) {
        return e.getText();
    }
    return "no error";
}

}  // namespace

TEST(Lexeme, RealTextFormIsStreamDefault) {
    EXPECT_EQ(realToText(2.5f), "2.5");
    // A NaN's sign bit differs between builds; its text does not.
    EXPECT_EQ(realToText(std::numeric_limits<float>::quiet_NaN()), "-nan");
    EXPECT_EQ(realToText(-std::numeric_limits<float>::quiet_NaN()), "-nan");
    EXPECT_EQ(realToText(-std::numeric_limits<float>::infinity()), "-inf");
    EXPECT_EQ(realToText(3.0f), "3");
    EXPECT_EQ(realToText(100000.0f), "100000");
    EXPECT_EQ(realToText(1000000.0f), "1e+06");
    EXPECT_EQ(realToText(1234567.0f), "1.23457e+06");
    EXPECT_EQ(realToText(0.00001f), "1e-05");
    EXPECT_EQ(realToText(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(realToText(-0.5f), "-0.5");
    EXPECT_EQ(realToText(std::numeric_limits<float>::infinity()), "inf");
}

TEST(Lexeme, NumberFromTextAndNegation) {
    Number n(Buffer("42"));
    EXPECT_EQ(n.getString(), "42");
    EXPECT_EQ(n.getIntVal(), 42);
    EXPECT_EQ(n.getRealVal(), 42.0f);
    EXPECT_TRUE(n.isType("int"));
    EXPECT_EQ(n.getKind(), NUMBER);
    n.neg();
    EXPECT_EQ(n.getString(), "-42");

    Number smallest(std::numeric_limits<std::int32_t>::min());
    smallest.neg();  // wraps instead of overflowing
    EXPECT_EQ(smallest.getIntVal(), std::numeric_limits<std::int32_t>::min());

    EXPECT_EQ(Number(Buffer("99999999999")).getIntVal(), 2147483647);
    EXPECT_EQ(Number(Buffer("2147483647")).getIntVal(), 2147483647);
}

TEST(Lexeme, NumbersCompareByValue) {
    Number seven(7);
    EXPECT_TRUE(seven.isEqual("7"));
    EXPECT_TRUE(seven.isEqual("007"));
    EXPECT_FALSE(seven.isEqual(";"));
    EXPECT_FALSE(seven.isEqual("8"));
    Real r(1.5f);
    EXPECT_TRUE(r.isEqual("1.50"));
    EXPECT_FALSE(r.isEqual("x"));
    Label l(12);
    EXPECT_TRUE(l.isEqual("12"));
    EXPECT_EQ(l.getString(), "12");
    EXPECT_EQ(l.getStringVal(), "12");
}

TEST(Lexeme, RealTruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(Real(2.75f).getIntVal(), 2);
    EXPECT_EQ(Real(-2.75f).getIntVal(), -2);
    EXPECT_EQ(Real(1000000.0f).getString(), "1e+06");
    EXPECT_EQ(Real(Buffer("5.")).getRealVal(), 5.0f);
    EXPECT_EQ(Real(3e9f).getIntVal(), 2147483647);
    EXPECT_EQ(Real(-3e9f).getIntVal(), -2147483647 - 1);
    EXPECT_EQ(Real(std::nanf("")).getIntVal(), 0);
    Buffer huge;  // fifty nines and ".0", built up as the scanner does
    for (int i = 0; i < 50; ++i) huge.add('9');
    huge.add('.');
    huge.add('0');
    EXPECT_TRUE(std::isinf(Real(huge).getRealVal()));
}

// The accumulator, emptied between lexemes, is the lookup key of what was scanned since.
TEST(Lexeme, ClearedBufferHoldsOnlyWhatCameAfter) {
    Buffer text;
    text.add('<');
    text.clear();
    text.add('=');
    EXPECT_TRUE(Delim("=").isEqual(text));
    EXPECT_FALSE(Delim("<=").isEqual(text));
}

TEST(Lexeme, WordsCompareWholeTextAndIgnoreKind) {
    Delim less("<");
    EXPECT_TRUE(less.isEqual("<"));
    EXPECT_FALSE(less.isEqual("<="));
    StringC semicolon(";");
    EXPECT_TRUE(semicolon.isEqual(";"));
    EXPECT_EQ(semicolon.getStringVal(), ";");
    EXPECT_EQ(Keyword("write").getStringVal(), "write");
    EXPECT_EQ(Delim("~").getKind(), DELIM);
    EXPECT_TRUE(Delim("~").isType(""));
}

TEST(Lexeme, IdentConversions) {
    Ident i(Buffer("i"));
    EXPECT_FALSE(i.isDeclared());
    i.declare("int");
    i.assign(5);
    EXPECT_EQ(i.getRealVal(), 5.0f);
    EXPECT_EQ(i.getStringVal(), "5");
    i.assign(3.99f);
    EXPECT_EQ(i.getIntVal(), 3);

    Ident r(Buffer("r"));
    r.declare("real");
    r.assign(-0.5f);
    EXPECT_EQ(r.getIntVal(), 0);
    EXPECT_EQ(r.getStringVal(), "-0.5");
    r.assign(2147483647);  // an int assigned to a real rounds to the nearest float
    EXPECT_EQ(r.getRealVal(), 2147483648.0f);

    Ident s(Buffer("s"));
    s.declare("string");
    s.assign(std::string("  two words "));
    EXPECT_EQ(s.getStringVal(), "  two words ");
}

TEST(Lexeme, UnassignedIdentNamesItself) {
    Ident x(Buffer("x"));
    x.declare("real");
    EXPECT_EQ(unassignedMessage(x), "Using value of 'x' was not assigned!");
    EXPECT_THROW((void)x.getRealVal(), RuntimeError);
    EXPECT_THROW((void)x.getStringVal(), RuntimeError);
}

TEST(Lexeme, FreshTemporary) {
    Ident t(std::string(""));
    EXPECT_EQ(t.getString(), "");
    EXPECT_TRUE(t.isDeclared());
    EXPECT_TRUE(t.isAssigned());
    EXPECT_FALSE(t.isLvalue());
    EXPECT_EQ(t.getStringVal(), "");
    EXPECT_EQ(t.valueType(), ValueType::NONE);
    t.declare("int");
    EXPECT_EQ(t.valueType(), ValueType::INT);
}

TEST(NumberText, ReadsAsFormattedInput) {
    EXPECT_EQ(readInt("  -12abc"), -12);
    EXPECT_EQ(readInt("+5"), 5);
    EXPECT_FALSE(readInt("-"));
    EXPECT_FALSE(readInt("x1"));
    bool over = false;
    EXPECT_EQ(readInt("-2147483648", &over), -2147483647 - 1);
    EXPECT_FALSE(over);
    EXPECT_EQ(readInt("-2147483649", &over), -2147483647 - 1);
    EXPECT_TRUE(over);
    EXPECT_EQ(readReal("1e3"), 1000.0f);
    EXPECT_EQ(readReal("2e+2"), 200.0f);
    EXPECT_EQ(readReal("25E-1"), 2.5f);
    EXPECT_EQ(readReal(" -2.5x"), -2.5f);
    EXPECT_EQ(readReal(".5"), 0.5f);
    EXPECT_FALSE(readReal("."));
    EXPECT_FALSE(readReal("1e"));
    EXPECT_TRUE(readReal("1e39", &over).has_value());
    EXPECT_TRUE(over);
}

// A variable's name and string are kept apart from it, made only when there is one; none reads
// as empty, and the string, once made, stays where it is (the native tier keeps its address).
TEST(Lexeme, IdentNameAndStringReadAsEmptyUntilMade) {
    Ident named(Buffer("x"));
    EXPECT_TRUE(named.isEqual("x"));
    EXPECT_FALSE(named.isEqual(""));
    EXPECT_EQ(named.getString(), "x");
    Ident temp(std::string(""));
    EXPECT_TRUE(temp.isEqual(""));
    EXPECT_FALSE(temp.isEqual("x"));
    EXPECT_EQ(temp.rawString(), "");
    EXPECT_EQ(Ident(std::string("seed")).rawString(), "seed");

    named.declare("string");
    const Ident::Saved unassigned = named.save();
    EXPECT_EQ(named.rawString(), "");
    std::string* slot = &named.stringSlot();
    named.assign(std::string("a string long enough to live on the heap"));
    EXPECT_EQ(&named.stringSlot(), slot);
    EXPECT_EQ(&named.rawString(), slot);
    const Ident::Saved assigned = named.save();
    named.assign(std::string("other"));
    named.restore(assigned);
    EXPECT_EQ(named.getStringVal(), "a string long enough to live on the heap");
    named.restore(unassigned);
    EXPECT_EQ(named.rawString(), "");
    EXPECT_FALSE(named.isAssigned());
    EXPECT_EQ(&named.stringSlot(), slot);

    // Restoring an empty string into a variable that never had one makes none.
    temp.restore(temp.save());
    EXPECT_EQ(temp.rawString(), "");
}
