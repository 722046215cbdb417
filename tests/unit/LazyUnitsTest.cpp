// The layout a run uses (LazyUnits): units are laid out a run of them at a time when control
// first reaches one, with the forms the whole-program layout chooses; code never reached stays
// unwritten; loops are counted and errors named as with the whole-program layout.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "common/Errors.h"
#include "fast/Instr.h"
#include "fast/LazyUnits.h"
#include "fast/Machine.h"
#include "fast/Op.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

// The parser owns the lexemes of the tables, so it lives as long as the program.
struct Translated {
    Poliz poliz;
    Parser parser;
    explicit Translated(const std::string& body)
        : parser(Source::fromText("program {\n" + body + "\n}\n"), poliz) {
        parser.go();
    }
};

// Runs the program from its start; returns what it wrote.
std::string runOn(Program& program, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    Machine machine(in, out);
    machine.run(program, 0);
    machine.flushOutput();
    return out.str();
}

std::string opNames(const Instr* code, int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) text.append(text.empty() ? "" : " ").append(opName(code[i].op));
    return text;
}

// How many instructions were written after HALT, where the runs of units are laid out.
int laidOutAfterHalt(LazyUnits& lazy, int items) {
    int written = 0;
    for (int i = items + 1; i < lazy.items(); ++i) written += lazy.code()[i].op != Op::PREPARE;
    return written;
}

// Statements that every unit of runs: both branches of an if, a case, short-circuit chains,
// reads and writes, strings and numbers.
const char* const kEveryForm =
    "int i, n = 3, t; real r = 1.5; string s = \"a\";\n"
    "for (i = 0; i < n; i = i + 1) {\n"
    "  if (i == 1 or i > 5 and n < 2) t = i * 2; else t = i - 1;\n"
    "  case (i) of 0: r = r * 2; 1, 2: s = s + \"b\"; end;\n"
    "  while (t > 0) t = t - 1;\n"
    "  if (not (r < 2.0)) write(t, \" \", r, \" \", s, \"\n\"); else { }\n"
    "}\n"
    "read(n); write(n);\n";

}  // namespace

TEST(LazyUnits, EveryUnitRunIsLaidOutWithTheFormsOfTheWholeProgramLayout) {
    // Variables keep their values in the program, so each layout runs a translation of its own.
    Translated t(kEveryForm);
    Translated other(kEveryForm);
    Program whole = decode(other.poliz, true);
    Program lazy = decodeForRun(t.poliz, false);
    ASSERT_TRUE(lazy.lazy != nullptr);
    ASSERT_LT(t.poliz.facts().unitStarts().size(), 64u);  // one run of units
    const std::string output = runOn(lazy, "9");
    EXPECT_EQ(output, runOn(whole, "9"));
    EXPECT_EQ(output.substr(0, 8), "-1 3 a\n0");
    const int n = t.poliz.size();
    EXPECT_EQ(lazy.lazy->code()[n].op, Op::HALT);
    // The run: the whole layout's instructions, then the jump for control that runs off it.
    const auto wholeForms = opNames(whole.code.data(), 0, static_cast<int>(whole.code.size()) - 1);
    EXPECT_EQ(opNames(lazy.lazy->code(), n + 1, n + 1 + static_cast<int>(whole.code.size())),
              wholeForms + " JUMP_TO");
    // Every unit's entry now jumps to its instructions.
    for (int start : t.poliz.facts().unitStarts()) {
        if (start < n) {
            EXPECT_EQ(lazy.lazy->code()[start].op, Op::JUMP_TO) << start;
        }
    }
}

TEST(LazyUnits, CodeThatNeverRunsIsNeverLaidOut) {
    std::string body = "int zero = 0, x = 0;\nif (zero) {\n";
    for (int k = 0; k < 300; ++k) body += "  x = x + " + std::to_string(k) + " * x;\n";
    body += "} else { }\nwrite(x + 7);\n";
    Translated t(body);
    Program lazy = decodeForRun(t.poliz, false);
    ASSERT_TRUE(lazy.lazy != nullptr);
    EXPECT_EQ(runOn(lazy), "7");
    const auto& starts = t.poliz.facts().unitStarts();
    int waiting = 0;
    for (int start : starts) waiting += start < t.poliz.size() && lazy.lazy->code()[start].op == Op::PREPARE;
    // Of about 300 units in the branch, only those in the runs of the two that ran are laid out.
    EXPECT_GT(waiting, static_cast<int>(starts.size()) - 3 * 64);
    EXPECT_GT(waiting, 100);
    Program whole = decode(t.poliz, true);
    EXPECT_LT(laidOutAfterHalt(*lazy.lazy, t.poliz.size()), static_cast<int>(whole.code.size()) / 2);
    EXPECT_GT(laidOutAfterHalt(*lazy.lazy, t.poliz.size()), 0);
}

TEST(LazyUnits, RunsLaidOutOutOfOrderStillRunAsWritten) {
    // The else branch runs first, the then branch laid out after it; several runs of units,
    // entered at both ends.
    std::string body = "int i, x = 0;\nfor (i = 0; i < 4; i = i + 1) {\n  if (i > 1) {\n";
    for (int k = 0; k < 120; ++k) body += "    x = x + " + std::to_string(k % 5) + ";\n";
    body += "  } else {\n";
    for (int k = 0; k < 120; ++k) body += "    x = x - 1;\n";
    body += "  }\n}\nwrite(x);\n";
    Translated t(body);
    Translated other(body);
    Program whole = decode(other.poliz, true);
    Program lazy = decodeForRun(t.poliz, false);
    ASSERT_TRUE(lazy.lazy != nullptr);
    ASSERT_GT(t.poliz.facts().unitStarts().size(), 3 * 64u);
    EXPECT_EQ(runOn(lazy), "240");
    EXPECT_EQ(runOn(whole), "240");
}

TEST(LazyUnits, LoopsAreCountedAtTheSameJumpsAsInTheWholeLayout) {
    const char* const loop = "int i, s = 0;\ns = 1;\nwhile (s < 1000) { s = s + 1; i = s * 2; }\nwrite(s);\n";
    for (int every : {1, 5, 999}) {
        Translated t(loop);
        Translated other(loop);
        Program whole = decode(other.poliz, true, true);
        Program lazy = decodeForRun(t.poliz, true);
        ASSERT_TRUE(lazy.lazy != nullptr);
        std::istringstream in;
        std::ostringstream out;
        Machine onWhole(in, out);
        onWhole.watchLoops(every);
        onWhole.run(whole, 0);
        Machine onLazy(in, out);
        onLazy.watchLoops(every);
        onLazy.run(lazy, 0);
        EXPECT_GE(onWhole.hotLoop().item, 0);
        EXPECT_EQ(onLazy.hotLoop().item, onWhole.hotLoop().item) << every;
        // Going on from where the loop got hot ends the run as running it whole does.
        onLazy.watchLoops(0);
        onLazy.run(lazy, onLazy.hotLoop().resume);
        onLazy.flushOutput();
        EXPECT_EQ(out.str(), "1000");
    }
}

TEST(LazyUnits, AForwardJumpIsNotALoop) {
    Translated t("int i = 0;\nif (i) i = 1; else i = 2;\nif (i == 2) i = 3; else i = 4;\nwrite(i);\n");
    Program lazy = decodeForRun(t.poliz, true);
    std::istringstream in;
    std::ostringstream out;
    Machine machine(in, out);
    machine.watchLoops(1);
    machine.run(lazy, 0);
    EXPECT_EQ(machine.hotLoop().item, -1);
    machine.flushOutput();
    EXPECT_EQ(out.str(), "3");
}

TEST(LazyUnits, AnUnassignedVariableIsNamed) {
    Translated t("int x, y;\ny = 2;\nif (y > 1) y = x + 1; else { }\n");
    Program lazy = decodeForRun(t.poliz, false);
    try {
        runOn(lazy);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.getText(), "Using value of 'x' was not assigned!");
    }
}

TEST(LazyUnits, OnlyAnEntryNotLaidOutIsPrepared) {
    Translated t("int x = 1;\nx = x + 1;\nwrite(x);\n");
    Program lazy = decodeForRun(t.poliz, false);
    const auto& starts = t.poliz.facts().unitStarts();
    ASSERT_GE(starts.size(), 3u);
    EXPECT_THROW(lazy.lazy->prepare(starts[1] + 1), std::logic_error);  // inside a unit
    EXPECT_THROW(lazy.lazy->prepare(-1), std::logic_error);
    EXPECT_THROW(lazy.lazy->prepare(t.poliz.size()), std::logic_error);
    lazy.lazy->prepare(starts[1]);
    EXPECT_THROW(lazy.lazy->prepare(starts[1]), std::logic_error);  // laid out already
    EXPECT_EQ(lazy.lazy->itemOf(t.poliz.size() + 1), starts[0]);
    EXPECT_EQ(runOn(lazy), "2");
}
