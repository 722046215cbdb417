// Numeric statements, conditions and short-circuit chains run as cell forms, as plain items and
// on the reference machine must agree exactly: output, the error, which unassigned variable it
// names, and what was written before it. Every expression below runs as a statement, as an if condition and
// as a loop condition, over several sets of values, with variables left unassigned in each place.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "HandPoliz.h"
#include "RunSource.h"
#include "common/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

// int a, b, c hold values; u, w (int) and v (real) are never assigned; r, s are reals.
const char* const kIntExpressions[] = {
    "a + b * c",
    "a - b / c",
    "a / b",
    "b / a",
    "a * a * a * a",
    "a - (b - c)",
    "a < b",
    "a >= b",
    "a == c",
    "a != b",
    "-a",
    "not a",
    "not (a - b)",
    "a and b",
    "a or b",
    "a and b or c",
    "a or b and c",
    "a and b and c",
    "a or b or c",
    "(a and b) + 1",
    "(a or b) * 2",
    "a > 1 and b < 2 or not (a - b)",
    "a == 0 or b / a < 2 and not (b == 0)",
    "a > 1 and b < 2 or c < 3 and a > 4 or not b",
    "a < b or b < c and c < a or a == b",
    "b != 0 and a / b > 3",
    "a > 10 and b > 10 and a + b < 300 and a != b or a == 7",
    // A chain that ends in a comparison, inside an "or" that passes its value on.
    "(a and b < c) or c",
    "(b < c and a) or b",
    "c or (a and b < c)",
    "(a and b < c) or (b and c > a)",
    "(a or b < c) or c",
    // Past a tested comparison the chain's value is the right operand's truth, not the operand
    // itself: with c neither 0 nor 1 a chain that passed c on would store c.
    "a = a < b and c",
    "b = a > b or c",
    "c = a < b and c - b",
    "a = (b > a or c) * 7",
    "(a < b and c) == 1",
    "a = a < b and b < c and c",
    "a = not (a < b) or c + 0",
    "a = b = c",
    "a = b + (b = 3)",
    "a + (a = 5)",
    "(a = 0) or b",
    "(a = 2) and (b = 0) or (c = 5)",
    "a = r",
    "a = r * 2 + b",
    "a = b = r",
    "a < r",
    "r >= a",
    "r == s",
    "r != s",
    "s < 0.5 and a",
    "a + u",
    "u + a",
    "u / a",
    "a / u",
    "0 / u",
    "u / 0",
    "a / 0",
    "u and a",
    "a and u",
    "0 and u",
    "1 or u",
    "u or 1",
    "a or u",
    "not u",
    "-u",
    "u < v",
    "v < u",
    "a = u",
    "u = a",
    "(u = 3) + u",
    "u + (u = 3)",
    "w = u = a",
    "a and w or u",
    "a < v",
    "a = v",
    "a * 2147483647 + b",
    "-a - 2147483647 - 1",
    "a / -1",
    "a - a / b * b",
    "a and (a = 0) + 1",
    "1",
    "a",
    "u",
    "a = a",
    "u = u",
};

const char* const kRealExpressions[] = {
    "r * s + a",     "r / s",     "a / r",
    "s / a",         "r - a * s", "-r",
    "r = a / 2",     "r = s = a", "r = s * r",
    "2 * r * s + 1", "v + r",     "r + v",
    "v / r",         "r / v",     "a * v",
    "v = r",         "r = v",     "r = u",
    "r + (r = 1.5)", "v = a",     "r * r * r * r - r * r * r * r",
};

struct Values {
    const char* a;
    const char* b;
    const char* c;
    const char* r;
    const char* s;
};

const Values kValueSets[] = {
    {"6", "3", "0", "2.5", "0.0"},
    {"0", "-7", "1", "-1.5", "3.0"},
    {"-2147483647", "-1", "-1", "0.0", "-0.25"},
    {"7", "7", "300", "100000000000000000000.0", "0.000001"},
    // A real that truncates to a: an int read where a real belongs (or the reverse) shows.
    {"2", "5", "-3", "2.5", "-0.5"},
};

std::string program(const Values& v, const std::string& body) {
    std::ostringstream text;
    text << "program {\n  int a = " << v.a << ", b = " << v.b << ", c = " << v.c << ", u, w, k = 0;\n"
         << "  real r = " << v.r << ", s = " << v.s
         << ", v;\n"
         // Leaves values in the cells of intermediate results, which later statements reuse.
         << "  k = 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10 + 11 * 12 - 13 * 14 + 15;\n  k = 0;\n"
         << body << "\n  write(\" \", a, \" \", b, \" \", c, \" \", r, \" \", s, \" \", k);\n}\n";
    return text.str();
}

class CellForms : public testing::Test {
protected:
    int programs = 0;

    // Runs the text on the reference machine, fused and plain; all must agree and the program
    // must translate.
    void agree(const std::string& text) {
        const std::string reference = runSource(Source::fromText(text), "", Engine::REFERENCE);
        EXPECT_NE(reference, "<not translated>") << text;
        EXPECT_EQ(reference, runSource(Source::fromText(text), "", Engine::FAST)) << text;
        EXPECT_EQ(reference, runSource(Source::fromText(text), "", Engine::FAST_PLAIN)) << text;
        ++programs;
    }
};

TEST_F(CellForms, IntegerExpressionsAgreeAsStatementsAndConditions) {
    for (const Values& v : kValueSets) {
        for (const char* e : kIntExpressions) {
            const std::string x(e);
            agree(program(v, "  write(\"<\");\n  " + x + ";\n  write(\">\");"));
            agree(program(v, "  if (" + x + ") write(\"yes\"); else write(\"no\");"));
            // The condition runs again after its own effects, until it fails or k reaches 3.
            agree(program(v, "  while (k < 3 and (" + x + ")) { k = k + 1; write(k); }"));
            agree(program(
                v, "  for (k = 0; (" + x + ") and k < 3; k = k + 1) if (k > 1) a = 0; else write(k);"));
        }
    }
    EXPECT_GT(programs, 1000);
}

TEST_F(CellForms, RealExpressionsAgreeAsStatementsAndComparisons) {
    for (const Values& v : kValueSets) {
        for (const char* e : kRealExpressions) {
            const std::string x(e);
            agree(program(v, "  write(\"<\");\n  " + x + ";\n  write(\">\");"));
            agree(program(v, "  if ((" + x + ") < 1.0) write(\"lt\"); else write(\"ge\");"));
            agree(program(v, "  if ((" + x + ") != (" + x + ")) write(\"nan\"); else write(\"num\");"));
            // Run again with other values: a form that has run once no longer checks its operands.
            agree(program(v, "  while (k < 3) { k = k + 1; if ((" + x +
                                 ") < k) write(\"lt\"); else write(\"ge\"); "
                                 "s = s + k; a = a - k; }"));
        }
    }
    EXPECT_GT(programs, 300);
}

// The case statement's label tests, continue, and statements that jump over one another.
TEST_F(CellForms, ControlFlowAroundCompiledStatementsAgrees) {
    const char* const bodies[] = {
        "  for (k = 0; k < 10; k = k + 1) case (k - k / 3 * 3) of 0: a = a + 1; 1, 2: { b = b - 1; continue; "
        "} end;",
        "  for (k = 0; k < 4; k = k + 1) case (r + k) of 2.5: r = r * 2; -1.5, 3.5: s = s - 1; end;",
        // After a variant's statement no later label can match, and the run goes on past the
        // case: from a compiled statement, a write, an if, a nested case, a continue, an error.
        "  for (k = 0; k < 6; k = k + 1) case (k) of 0: k = 3; 3: write(\"three\"); 1, 2: write(k); 4: "
        "{ a = a + k; write(a); } end;",
        "  for (k = 0; k < 5; k = k + 1) { case (k - k / 2 * 2) of 0: if (a > 0) b = b + 1; else {} 1: "
        "while (c < 3) c = c + 1; end; write(b, c); }",
        "  for (k = 0; k < 5; k = k + 1) case (k) of 0, 1: case (a - k) of 6: write(\"six\"); 5, -7: a = a "
        "- 1; end; 2: { b = b + 1; if (k == 2) continue; else {} } 3: c = c / (k - 3); end;",
        "  for (k = 0; k < 3; k = k + 1) case (r - k) of 2.5: write(r); 1.5: r = u; 0.5: s = r; end;",
        "  for (k = 0; k < 7; k = k + 1) case (k / 2) of 1: u = k; 2: a = u; 3: b = b + k; end; write(a, b);",
        "  for (k = 0; k < 3; k = k + 1) case (\"y\") of \"x\": write(1); \"y\": write(2); \"z\": write(3); "
        "end;",
        "  while (k < 5) { k = k + 1; if (k == 2 or k == 4) continue; else a = a * 2; }",
        "  for (;;) { k = k + 1; if (k > 3) { c = 9 / (k - k); } else {} }",
        "  for (k = 0; k < 3; k = k + 1) { u = k; } a = u;",
        "  while (k < 2 and u > 0) k = k + 1;",
        "  for (k = 0; k < 3 or u; k = k + 1) a = a + k;",
        // Tests of a variable that gets its value only as the program runs: they check it on their
        // first run, and that run must go the right way too.
        "  w = a - a; if (w or b - b) write(1); else write(0); if (w and b) write(1); else write(0);",
        "  w = a - b; if (w or b - b) write(1); else write(0); if (w and b) write(1); else write(0);",
    };
    for (const Values& v : kValueSets)
        for (const char* body : bodies) agree(program(v, body));
    EXPECT_GT(programs, 20);
}

// Hand-built sequences, recorded in units as the translator would: the same items run on the
// reference machine and on the fast backend, fused and plain, must give the same outcome, also
// when a jump breaks the record's promise by landing inside a unit (the fused run then keeps to
// one instruction per item).

// x = a + b * 2 as a statement, then a condition on x, written out; `entry` items run first.
int statementAndCondition(HandPoliz& p, Ident* x, Ident* a, Ident* b,
                          std::initializer_list<HandPoliz::Item> entry) {
    p.unit();
    p.emit(entry);
    p.unit();
    const int start = p.emit({p.temp("int"), x, a, b, p.n(2), "*", "+", "=", "=", "backspace"});
    p.unit();
    const int test = p.emit({p.temp("int"), x, p.n(10), ">", "=", p.label(0), "jumpfalse"});
    p.unit();
    p.emit({x, p.n(1), "write"});
    p.unit();
    const int end = p.mark();
    p.unit();
    p.patch(test + 5, end);
    p.emit({a, p.n(1), "write"});
    return start;
}

HandPoliz::Outcome runHand(Engine engine, int landAt, bool assignB) {
    HandPoliz p(engine);
    Ident* x = p.var("x", "int");
    Ident* a = p.var("a", "int", 5);
    Ident* b = assignB ? p.var("b", "int", 4) : p.var("b", "int");
    HandPoliz::Item jumpIn[] = {p.label(landAt), "jump"};
    // A jump to landAt first, when it lies inside the statement: what the items before it would
    // have pushed is pushed by hand.
    if (landAt > 0) {
        statementAndCondition(p, x, a, b, {p.temp("int"), x, a, b, jumpIn[0], jumpIn[1]});
    } else {
        statementAndCondition(p, x, a, b, {});
    }
    return p.run();
}

TEST(CellFormsByHand, JumpsIntoAStatementAgree) {
    for (bool assignB : {true, false}) {
        // No jump in, then landing on each item of the compiled statement (it starts at 6).
        for (int land = 0; land < 16; land = land == 0 ? 5 : land + 1) {
            const HandPoliz::Outcome reference = runHand(Engine::REFERENCE, land, assignB);
            for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN}) {
                const HandPoliz::Outcome fast = runHand(engine, land, assignB);
                EXPECT_EQ(fast.out, reference.out) << land << " " << nameOf(engine);
                EXPECT_EQ(fast.error, reference.error) << land << " " << nameOf(engine);
            }
        }
    }
}

// The translator ends each "and" and "or" at an "empty" of its own, reached at the depth its jump
// left. A chain shaped otherwise is none the compiled forms know: its unit runs item by item.
HandPoliz::Outcome runOtherChain(Engine engine, bool twoDepths, int value) {
    HandPoliz p(engine);
    Ident* x = p.var("x", "int");
    Ident* y = p.var("y", "int");
    p.unit();
    if (!twoDepths) {  // the jump lands on the "=", not on an "empty"
        p.emit({p.temp("int"), x, p.n(value), "dup"});
        const int hole = p.mark();
        p.emit({"jumpfalse", p.n(5), "and"});
        p.patch(hole, p.emit({"="}));
        p.emit({"=", "backspace"});
    } else {  // two jumps to one end, the second from one item deeper (which then fails)
        p.emit({p.temp("int"), x, y, p.n(3), "dup"});
        const int first = p.mark();
        p.emit({"jumpfalse", p.n(value), "dup"});
        const int second = p.mark();
        p.emit({"jumpfalse", p.n(7), "and", "and"});
        const int end = p.mark();
        p.patch(first, end);
        p.patch(second, end);
        p.emit({"=", "=", "backspace"});
    }
    p.unit();
    p.emit({x, p.n(1), "write"});
    return p.run();
}

// "a * 2" dup label "jumpfalse" 5 "+" "empty": an "and" chain whose operator is "+". Past the
// jump the left operand is known not to be 0, which is not to say that it is 1.
HandPoliz::Outcome runPlusChain(Engine engine, int a) {
    HandPoliz p(engine);
    Ident* x = p.var("x", "int");
    p.unit();
    p.emit({p.temp("int"), x, p.n(a), p.n(2), "*", "dup"});
    const int hole = p.mark();
    p.emit({"jumpfalse", p.n(5), "+"});
    p.patch(hole, p.mark());
    p.emit({"=", "=", "backspace"});
    p.unit();
    p.emit({x, p.n(1), "write"});
    return p.run();
}

TEST(CellFormsByHand, AChainsLeftOperandKeepsItsValuePastTheJump) {
    for (const int a : {0, 3}) {
        EXPECT_EQ(runPlusChain(Engine::REFERENCE, a).out, a == 0 ? "0" : "11");
        for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN})
            EXPECT_EQ(runPlusChain(engine, a).out, a == 0 ? "0" : "11") << a << nameOf(engine);
    }
}

// x = 5 with T left under it: "backspace" drops x, and T stays for the next unit's "write".
HandPoliz::Outcome runLeftOver(Engine engine) {
    HandPoliz p(engine);
    Ident* x = p.var("x", "int");
    p.unit();
    p.emit({p.temp("int"), x, p.n(5), "=", "backspace"});
    p.unit();
    p.emit({p.n(1), "write", x, p.n(1), "write"});
    return p.run();
}

TEST(CellFormsByHand, AUnitMayLeaveAValueForTheNext) {
    const HandPoliz::Outcome reference = runLeftOver(Engine::REFERENCE);
    EXPECT_EQ(reference.error, "");
    for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN}) {
        const HandPoliz::Outcome fast = runLeftOver(engine);
        EXPECT_EQ(fast.out, reference.out) << nameOf(engine);
        EXPECT_EQ(fast.error, reference.error) << nameOf(engine);
    }
}

TEST(CellFormsByHand, ChainsOfOtherShapesRunItemByItem) {
    EXPECT_EQ(runOtherChain(Engine::REFERENCE, false, 0).out, "0");
    EXPECT_EQ(runOtherChain(Engine::REFERENCE, false, 4).out, "1");
    EXPECT_EQ(runOtherChain(Engine::REFERENCE, true, 0).error,
              "'=' at address 15 needs a variable as its target!");
    EXPECT_EQ(runOtherChain(Engine::REFERENCE, true, 4).out, "1");
    for (const bool twoDepths : {false, true})
        for (const int value : {0, 4}) {
            const HandPoliz::Outcome reference = runOtherChain(Engine::REFERENCE, twoDepths, value);
            for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN}) {
                const HandPoliz::Outcome fast = runOtherChain(engine, twoDepths, value);
                EXPECT_EQ(fast.out, reference.out) << twoDepths << value << nameOf(engine);
                EXPECT_EQ(fast.error, reference.error) << twoDepths << value << nameOf(engine);
            }
        }
}

// "dup" label "jump": the shape of an "and" chain but for its jump, which is unconditional, so
// it is no chain: both copies of the value reach the end, where "=" finds no variable.
HandPoliz::Outcome runDupThenJump(Engine engine, int value) {
    HandPoliz p(engine);
    Ident* x = p.var("x", "int");
    p.unit();
    p.emit({p.temp("int"), x, p.n(value), "dup"});
    const int hole = p.mark();
    p.emit({"jump", p.n(5), "and"});
    p.patch(hole, p.mark());
    p.emit({"=", "=", "backspace"});
    p.unit();
    p.emit({x, p.n(1), "write"});
    return p.run();
}

TEST(CellFormsByHand, ADupBeforeAnUnconditionalJumpIsNoChain) {
    for (const int value : {0, 4}) {
        const HandPoliz::Outcome reference = runDupThenJump(Engine::REFERENCE, value);
        EXPECT_EQ(reference.error, "'=' at address 9 needs a variable as its target!") << value;
        for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN}) {
            const HandPoliz::Outcome fast = runDupThenJump(engine, value);
            EXPECT_EQ(fast.out, reference.out) << value << nameOf(engine);
            EXPECT_EQ(fast.error, reference.error) << value << nameOf(engine);
        }
    }
}

// A record may put a named variable where the translator only ever puts an expression's
// temporary: the condition must still store into it, whether its operands are strings (a fused
// condition) or numbers (a compiled one).
HandPoliz::Outcome runNamedConditionTarget(Engine engine, bool strings) {
    HandPoliz p(engine);
    Ident* x = p.var("x", "int", 7);
    p.unit();
    const int test = strings ? p.emit({x, p.s("a"), p.s("b"), "<", "=", p.label(0), "jumpfalse"})
                             : p.emit({x, p.n(1), p.n(2), "<", "=", p.label(0), "jumpfalse"});
    p.unit();
    const int end = p.mark();
    p.patch(test + 5, end);
    p.unit();
    p.emit({x, p.n(1), "write"});
    return p.run();
}

TEST(CellFormsByHand, ANamedVariableInATemporarysPlaceIsStored) {
    for (bool strings : {true, false}) {
        EXPECT_EQ(runNamedConditionTarget(Engine::REFERENCE, strings).out, "1");
        for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN}) {
            const HandPoliz::Outcome fast = runNamedConditionTarget(engine, strings);
            EXPECT_EQ(fast.out, "1") << strings << " " << nameOf(engine);
            EXPECT_EQ(fast.error, "") << strings << " " << nameOf(engine);
        }
    }
}

}  // namespace
