// Translation tests: POLIZ layouts compared with golden listings, and the checks whose order
// or line is easy to get wrong.
#include <gtest/gtest.h>

#include <string>

#include "common/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "poliz/PolizListing.h"

namespace {

// The listing of the translated program; the parser still lives while it is made, since it
// owns the table lexemes the listing names.
std::string translate(const std::string& source) {
    Poliz poliz;
    Parser parser(Source::fromText(source), poliz);
    parser.go();
    return listing(poliz);
}

// "syntax LINE: TEXT", "semantic LINE: TEXT" or "ok".
std::string failure(const std::string& source) {
    try {
        translate(source);
        return "ok";
    } catch (const SyntaxError& e) {
        return "syntax " + std::to_string(e.getLine()) + ": " + e.getText();
    } catch (const SemanticError& e) {
        return "semantic " + std::to_string(e.getLine()) + ": " + e.getText();
    }
}

// The units the translator recorded, as their first addresses, and how many temporaries it
// recorded as pushed again.
std::string units(const std::string& source) {
    Poliz poliz;
    Parser parser(Source::fromText(source), poliz);
    parser.go();
    std::string out;
    for (int start : poliz.facts().unitStarts()) out += std::to_string(start) + " ";
    return out + "shared " + std::to_string(poliz.facts().sharedTemporaries().size());
}

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

}  // namespace

TEST(ParserLayout, DeclarationsAppendNothingAndAnExpressionHasItsTemporary) {
    EXPECT_EQ(translate("program { int a, b = 2, c; real r = -1.5, q = 3; string t = \"x\"; } #?! trailing"),
              "");
    EXPECT_EQ(translate("program { int a = 2; write(a * 3); }"), R"(0 $t1
1 a
2 3
3 *
4 =
5 1
6 write
)");
}

TEST(ParserLayout, AssignmentChainAndExpressionStatementDiscardItsValue) {
    EXPECT_EQ(translate("program { int a, b, c; a = b = c; }"), R"(0 $t1
1 a
2 b
3 =
4 c
5 =
6 =
7 backspace
)");
}

TEST(ParserLayout, OrChainSharesOneEndMarkerInsideAnAssignment) {
    EXPECT_EQ(translate("program { int x, a, b, c; x = a + b * 2 or c or a; }"), R"(0 $t1
1 x
2 a
3 b
4 2
5 *
6 +
7 dup
8 not
9 ->19
10 jumpfalse
11 c
12 or
13 dup
14 not
15 ->19
16 jumpfalse
17 a
18 or
19 empty
20 =
21 =
22 backspace
)");
}

TEST(ParserLayout, AndChainHasNoNot) {
    EXPECT_EQ(translate("program { int a, b; write(a and b); }"), R"(0 $t1
1 a
2 dup
3 ->7
4 jumpfalse
5 b
6 and
7 empty
8 =
9 1
10 write
)");
}

TEST(ParserLayout, PrefixOperatorsAndParenthesesWithTheirOwnTemporary) {
    EXPECT_EQ(translate("program { int a; write(-(a), +a, not a, \"*\"); }"), R"(0 $t1
1 $t2
2 a
3 =
4 ~
5 =
6 $t3
7 a
8 =
9 $t4
10 a
11 not
12 =
13 $t5
14 "*"
15 =
16 4
17 write
)");
}

TEST(ParserLayout, IfElse) {
    EXPECT_EQ(translate("program { int x; if (x > 0) write(x); else write(0); }"), R"(0 $t1
1 x
2 0
3 >
4 =
5 ->14
6 jumpfalse
7 $t2
8 x
9 =
10 1
11 write
12 ->20
13 jump
14 empty
15 $t3
16 0
17 =
18 1
19 write
20 empty
)");
}

TEST(ParserLayout, WhileWithContinueJumpsToTheHead) {
    EXPECT_EQ(translate("program { int i; while (i < 3) { i = i + 1; continue; } }"), R"(0 empty
1 $t1
2 i
3 3
4 <
5 =
6 ->20
7 jumpfalse
8 $t2
9 i
10 i
11 1
12 +
13 =
14 =
15 backspace
16 ->0
17 jump
18 ->0
19 jump
20 empty
)");
}

TEST(ParserLayout, ForDiscardsInitialAndStepValues) {
    EXPECT_EQ(translate("program { int i; for (i = 0; i < 2; i = i + 1) write(i); }"), R"(0 $t1
1 i
2 0
3 =
4 =
5 backspace
6 empty
7 $t2
8 i
9 2
10 <
11 =
12 ->35
13 jumpfalse
14 ->27
15 jump
16 empty
17 $t3
18 i
19 i
20 1
21 +
22 =
23 =
24 backspace
25 ->6
26 jump
27 empty
28 $t4
29 i
30 =
31 1
32 write
33 ->16
34 jump
35 empty
)");
}

TEST(ParserLayout, EmptyForHasConstantConditionAndContinueRunsTheStep) {
    EXPECT_EQ(translate("program { for (;;) continue; }"), R"(0 empty
1 1
2 ->14
3 jumpfalse
4 ->9
5 jump
6 empty
7 ->0
8 jump
9 empty
10 ->6
11 jump
12 ->6
13 jump
14 empty
)");
}

TEST(ParserLayout, CaseTestsTheStoredSelectorAfterDiscardingIt) {
    EXPECT_EQ(translate("program { int i; case (i) of 1, 2: write(1); 3: write(3); end; }"), R"(0 $t1
1 i
2 =
3 backspace
4 empty
5 1
6 $t1
7 !=
8 ->17
9 jumpfalse
10 2
11 $t1
12 !=
13 ->17
14 jumpfalse
15 ->23
16 jump
17 empty
18 $t2
19 1
20 =
21 1
22 write
23 empty
24 3
25 $t1
26 !=
27 ->31
28 jumpfalse
29 ->37
30 jump
31 empty
32 $t3
33 3
34 =
35 1
36 write
37 empty
)");
}

TEST(ParserLayout, SignedLabelsAndReadAppendingItsVariable) {
    EXPECT_EQ(translate("program { real r; read(r); case (r) of -2.5, +1.5: write(2.5); end; }"), R"(0 r
1 read
2 $t1
3 r
4 =
5 backspace
6 empty
7 -2.5
8 $t1
9 !=
10 ->19
11 jumpfalse
12 1.5
13 $t1
14 !=
15 ->19
16 jumpfalse
17 ->25
18 jump
19 empty
20 $t2
21 2.5
22 =
23 1
24 write
25 empty
)");
}

// Words are compared by text whatever the lexeme's kind, so a string constant spelt like a
// delimiter or keyword acts as one: "{" opens the program, "(" groups, "+" is a sign.
TEST(ParserLayout, StringConstantsSpeltLikeWordsActAsThem) {
    EXPECT_EQ(translate("program \"{\" \"string\" s; s = \"(\" \"x\" \")\"; }"), R"(0 $t1
1 s
2 $t2
3 "x"
4 =
5 =
6 =
7 backspace
)");
    EXPECT_EQ(failure("program { string s; s = \"+\"; }"), "syntax 1: Constant is expexted but ';' found!");
}

// A word test compares the whole text: "<" is not "<=", nor "e" "end", whatever spells them.
TEST(ParserLayout, WordsSpeltByConstantsCompareWhole) {
    EXPECT_EQ(translate("program { int e; e = 1 \"<=\" 2; e = 1 \"<\" 2; }"), R"(0 $t1
1 e
2 1
3 2
4 <=
5 =
6 =
7 backspace
8 $t2
9 e
10 1
11 2
12 <
13 =
14 =
15 backspace
)");
    EXPECT_EQ(failure("program { int e; case (e) of 1: e = 2; e : e = 3; end; }"),
              "syntax 1: Constant is expexted but 'e' found!");
}

TEST(ParserChecks, ErrorsCarryTheLineOfTheCurrentLexeme) {
    // Reported while the undeclared name is current, before the "+" on the next line is read.
    EXPECT_EQ(failure("program {\n int x;\n x = y\n + 1; }"), "semantic 3: Undeclared identifier: 'y'!");
    // Reported once the second ";" is consumed, with the ")" after a comment current.
    EXPECT_EQ(failure("program { for (;\n 2.5;\n /* two\n lines */ ) { } }"),
              "semantic 4: The second expression in 'for' should be ingeger!");
    // Label checks come after the label is consumed.
    EXPECT_EQ(failure("program { int i; case (i) of 1,\n 1\n : { } end; }"),
              "semantic 3: Double constant declaring!");
    EXPECT_EQ(failure("program { int i; case (i) of 1.0\n : { } end; }"),
              "semantic 2: Type mismatch in 'case'!");
    // The condition's type is checked before its ")".
    EXPECT_EQ(failure("program { if (1.5 x }"), "semantic 1: Expression in 'if' should be ingeger!");
    EXPECT_EQ(failure("program { int i; while (i x }"), "syntax 1: ')' is expexted but 'x' found!");
}

TEST(ParserChecks, AssignmentNeedsABareVariableOnTheLeft) {
    const std::string decl = "program { int a, b, c; string s; real r; ";
    EXPECT_EQ(failure(decl + "a = b = c; a = r; r = a; s = s = \"x\"; }"), "ok");
    EXPECT_EQ(failure(decl + "a + 1 = c; }"), "semantic 1: Assigning to rvalue!");
    EXPECT_EQ(failure(decl + "a = b + 1 = c; }"), "semantic 1: Assigning to rvalue!");
    EXPECT_EQ(failure(decl + "(a) = 5; }"), "semantic 1: Assigning to rvalue!");
    EXPECT_EQ(failure(decl + "-a = 5; }"), "semantic 1: Assigning to rvalue!");
    EXPECT_EQ(failure(decl + "a = s; }"), "semantic 1: String cannot be assigned to a number!");
    EXPECT_EQ(failure(decl + "s = a = b; }"), "semantic 1: String cannot be assigned to a number!");
}

// Each operand is checked as soon as the operator after it is read, the last one once read.
TEST(ParserChecks, OperandTypes) {
    const std::string decl = "program { int i; real r; string s; ";
    EXPECT_EQ(failure(decl + "i = \"a\" < \"b\"; s = \"a\" + s + \"c\"; r = 1 + 2.5 * i / 2; i = 7 / 2; }"),
              "ok");
    EXPECT_EQ(failure(decl + "r; s; }"), "ok");  // a lone operand is not checked
    EXPECT_EQ(failure(decl + "i = 1 or 1 or\n 2.5; }"), "semantic 2: Non-integer operand in disjunction!");
    EXPECT_EQ(failure(decl + "s or\n i; }"), "semantic 2: Non-integer operand in disjunction!");
    EXPECT_EQ(failure(decl + "s + s -\n s; }"), "semantic 2: Strings are not allowed in sum!");
    EXPECT_EQ(failure(decl + "1 + s; }"), "semantic 1: Strings are not allowed in sum!");
    EXPECT_EQ(failure(decl + "s + r; }"), "semantic 1: Sorry, I cannot concatenate numbers!");
    EXPECT_EQ(failure(decl + "s /\n 2; }"), "semantic 2: Strings are not allowed in product!");
    // Prefix operators bind tighter than comparisons: (not i) < r is fine.
    EXPECT_EQ(failure(decl + "not i < r; }"), "ok");
}

TEST(ParserChecks, ConditionsTakeTheTypeOfTheAssignedVariable) {
    EXPECT_EQ(failure("program { real r; if (r = 1) { } else { } }"),
              "semantic 1: Expression in 'if' should be ingeger!");
    EXPECT_EQ(failure("program { int i; real r; while (i = r) { } }"), "ok");
}

TEST(ParserChecks, ContinueBelongsToTheInnermostLoopAroundIt) {
    EXPECT_EQ(failure("program { int i; while (1) case (i) of 1: { continue; } end; }"), "ok");
    EXPECT_EQ(failure("program { int i; while (1) { } continue; }"),
              "semantic 1: Not inner-cycle 'continue'!");
}

TEST(ParserChecks, DeclarationInitialisers) {
    EXPECT_EQ(failure("program { int i = -5; real r = +5, q = -2.5; string s = \"\"; }"), "ok");
    EXPECT_EQ(failure("program { string t = -\"x\"; }"), "syntax 1: Constant is expexted but 'x' found!");
    EXPECT_EQ(failure("program { string t = 5; }"), "syntax 1: Constant is expexted but '5' found!");
}

TEST(ParserChecks, CaseLabels) {
    EXPECT_EQ(failure("program { int i; case (i) of -1: { } 1: { } end; }"), "ok");
    EXPECT_EQ(failure("program { real r; case (r) of 2.00: { } 2.0: { } end; }"),
              "semantic 1: Double constant declaring!");
    EXPECT_EQ(failure("program { real r; case (r) of 1: { } end; }"), "semantic 1: Type mismatch in 'case'!");
    EXPECT_EQ(failure("program { string s; case (s) of \"x\", \"y\": { } \"x\": { } end; }"),
              "semantic 1: Double constant declaring!");
    // Each case has its own label set, nested or not.
    EXPECT_EQ(
        failure("program { int i; case (i) of 1: case (i) of 1: { } end; end; case (i) of 1: { } end; }"),
        "ok");
}

// Nesting deeper than any hand-written program ends in a syntax error, never a stack overflow.
TEST(ParserChecks, NestingLimit) {
    const std::string tooDeep = "syntax 1: Nesting is too deep!";
    EXPECT_EQ(failure("program { int x; x = " + repeat("(", 1000) + "1" + repeat(")", 1000) + "; }"), "ok");
    EXPECT_EQ(failure("program { int x; x = " + repeat("- not ", 500) + "1; }"), "ok");
    EXPECT_EQ(failure("program { " + repeat("{", 1000) + repeat("}", 1000) + " }"), "ok");
    EXPECT_EQ(failure("program { " + repeat("if (1) ", 1000) + "{ }" + repeat(" else { }", 1000) + " }"),
              "ok");
    EXPECT_EQ(failure("program { int x; x = " + repeat("(", 100000) + "1; }"), tooDeep);
    EXPECT_EQ(failure("program { int x; x = " + repeat("-", 100000) + "1; }"), tooDeep);
    EXPECT_EQ(failure("program { " + repeat("{", 100000) + " }"), tooDeep);
    EXPECT_EQ(failure("program { " + repeat("while (1) ", 100000) + "{ } }"), tooDeep);
}

// Control enters a unit only at its first item: statements, conditions with their jump, jumps
// and markers each start one; a chain's end marker stays inside its expression's unit.
TEST(ParserRecord, UnitsStartWhereControlEnters) {
    // [0] | $t1 a 3 < dup not ->11 jumpfalse b or [11] = ->25 jumpfalse | $t2 a a 1 + = = backspace
    // | ->0 jump | [25] |
    EXPECT_EQ(units("program { int a, b; while (a < 3 or b) a = a + 1; }"), "0 1 15 23 25 26 shared 0");
    EXPECT_EQ(units("program { int i; case (i) of 1, 2: write(1); 3: write(3); end; }"),
              "0 4 5 10 15 17 18 23 24 29 31 32 37 38 shared 1");
    EXPECT_EQ(units("program { int i; read(i); if (i) write(i); else {} }"), "0 2 7 12 14 15 16 shared 0");
}
