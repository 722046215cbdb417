// The forms the fast backend chooses: which statements and conditions become typed cell forms,
// which operands it knows hold values, and that a checked form turns into its unchecked form
// once it has run. Choosing a slower form changes no output, so only a listing of the chosen
// forms shows it, as golden listings of compiled code do.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>

#include "fast/FusedLayout.h"
#include "fast/Instr.h"
#include "fast/Machine.h"
#include "fast/Op.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

// The opcodes of a decoded program in their order, HALT last.
std::string forms(const Program& program) {
    std::string text;
    for (const Instr& ins : program.code) text.append(text.empty() ? "" : " ").append(opName(ins.op));
    return text;
}

struct Forms {
    std::string decoded;  // as decoding chose them
    std::string run;      // after one run
};

Forms formsOf(const std::string& body, const std::string& input = "") {
    Poliz poliz;
    Parser parser(Source::fromText("program {\n" + body + "\n}\n"), poliz);
    parser.go();
    Program program = decode(poliz, true);
    Forms result{forms(program), {}};
    std::istringstream in(input);
    std::ostringstream out;
    Machine machine(in, out);
    machine.run(program, 0);
    result.run = forms(program);
    return result;
}

TEST(FastForms, ANumericStatementIsOneCellFormPerOperation) {
    const Forms f = formsOf("int a = 2, b = 3, x; x = a + b * 4;");
    EXPECT_EQ(f.decoded, "U_II_MUL U_II_ADD HALT");
    EXPECT_EQ(f.run, "U_II_MUL U_II_ADD HALT");
}

TEST(FastForms, ALoopConditionIsATestedComparison) {
    const Forms f = formsOf("int i = 0, s = 0; while (i < 10) { s = s + i; i = i + 1; }");
    EXPECT_EQ(f.decoded, "NOP U_IIB_LT U_II_ADD U_II_ADD JUMP_TO JUMP NOP HALT");
    EXPECT_EQ(f.run, "NOP U_IIB_LT U_II_ADD U_II_ADD JUMP_TO JUMP NOP HALT");
}

TEST(FastForms, ShortCircuitChainsInValuesAndConditions) {
    const Forms f =
        formsOf("int a = 1, b = 0, c = 5, x; x = a < b and c; if (a or b < c) x = 1; else x = 2;");
    EXPECT_EQ(
        f.decoded,
        "U_IIB_LT AND_I U_MOV_I MOV_I U_JNZ U_II_LT OR_I U_JZ U_MOV_I JUMP_TO JUMP NOP U_MOV_I NOP HALT");
    EXPECT_EQ(
        f.run,
        "U_IIB_LT AND_I U_MOV_I U_MOV_I U_JNZ U_II_LT OR_I U_JZ U_MOV_I JUMP_TO JUMP NOP U_MOV_I NOP HALT");
}

TEST(FastForms, OperandsAssignedEarlierInTheStatementAreNotCheckedAgain) {
    const Forms f = formsOf("int a, x; real r; read(a); x = (a = a + 1) * a; r = x / 2.0 - a;", "5");
    EXPECT_EQ(f.decoded, "PUSH READ II_ADD U_MOV_I U_II_MUL IR_DIV RI_SUB HALT");
    EXPECT_EQ(f.run, "PUSH READ U_II_ADD U_MOV_I U_II_MUL U_IR_DIV U_RI_SUB HALT");
}

TEST(FastForms, CaseLabelsAreTestedWhereTheyStand) {
    const Forms f = formsOf("int k = 2, x; case (k) of 1, 2: x = 10; 3: x = 20; end; write(x);");
    const char* const kForms =
        "U_MOV_I NOP U_IIB_NE U_IIB_NE JUMP_TO JUMP NOP U_MOV_I JUMP_TO U_IIB_NE JUMP_TO JUMP NOP U_MOV_I "
        "NOP PUSH2 ASSIGN_P ASSIGN PUSH WRITE HALT";
    EXPECT_EQ(f.decoded, kForms);
    EXPECT_EQ(f.run, kForms);
}

TEST(FastForms, PrefixOperatorsAndChainsEndingInAComparison) {
    const Forms f = formsOf(
        "int a = 3, b = 4, c = 5, x, y; x = -a * b; y = not a + 1; "
        "if (a < b and c > 1) x = 1; else x = 2; while (a > b or c < 2) a = a - 1;");
    const char* const kForms =
        "U_NEG_I U_II_MUL U_NOT_I U_II_ADD U_IIB_LT U_IIB_GT U_JZ U_MOV_I JUMP_TO JUMP NOP U_MOV_I NOP NOP "
        "U_IIB_GT U_IIB_LT U_JZ U_II_SUB JUMP_TO JUMP NOP HALT";
    EXPECT_EQ(f.decoded, kForms);
    EXPECT_EQ(f.run, kForms);
}

// The checker that ties the shape table to its offsets at compile time rejects every kind of
// inconsistency, so a wrong edit of the table cannot slip through it.
TEST(FusedLayouts, TheCheckerRejectsOffsetsThatNameOtherItems) {
    using enum ShapeItem;
    const FusedLayout branch = layoutOf(Shape::BRANCH);
    EXPECT_TRUE(consistent(branch));
    auto broken = [&](auto change) {
        FusedLayout l = branch;
        change(l);
        return consistent(l);
    };
    EXPECT_FALSE(broken([](FusedLayout& l) { l.length = 9; }));          // longer than the pattern
    EXPECT_FALSE(broken([](FusedLayout& l) { l.length = 4; }));          // the pattern goes on
    EXPECT_FALSE(broken([](FusedLayout& l) { l.items[1] = END; }));      // an END inside
    EXPECT_FALSE(broken([](FusedLayout& l) { l.word = 1; }));            // not the word
    EXPECT_FALSE(broken([](FusedLayout& l) { l.items[0] = LABEL; }));    // an operand missing
    EXPECT_FALSE(broken([](FusedLayout& l) { l.assign = 3; }));          // not an "="
    EXPECT_FALSE(broken([](FusedLayout& l) { l.assign = 0; }));          // nor is the first item
    EXPECT_FALSE(broken([](FusedLayout& l) { l.jumpfalse = -1; }));      // a label alone
    EXPECT_FALSE(broken([](FusedLayout& l) { l.label = 4; }));           // not the label
    EXPECT_FALSE(broken([](FusedLayout& l) { l.items[3] = OPERAND; }));  // no label there
    EXPECT_FALSE(broken([](FusedLayout& l) { l.jumpfalse = 3; }));       // not after the label
    EXPECT_FALSE(broken([](FusedLayout& l) { l.items[4] = ASSIGN; }));   // not a "jumpfalse"
    EXPECT_TRUE(consistent(layoutOf(Shape::STATEMENT)));
    EXPECT_TRUE(consistent(layoutOf(Shape::CONDITION)));
}

}  // namespace

// The checks that tie the opcode tables together at compile time reject a hole, a duplicate and
// a word decoded to the wrong opcode.
TEST(OpTables, TheCheckersRejectAHoleADuplicateAndAWrongMapping) {
    using namespace opdetail;
    EXPECT_TRUE(complete(kPlain, kFused, kCell));
    auto plain = kPlain;
    plain[static_cast<int>(BinaryWord::NE)] = Op::NOP;
    EXPECT_FALSE(complete(plain, kFused, kCell));
    auto fused = kFused;
    fused[static_cast<int>(Shape::BRANCH)][static_cast<int>(BinaryWord::ADD)] = Op::NOP;
    EXPECT_FALSE(complete(kPlain, fused, kCell));
    auto cell = kCell;
    cell[kFormCount - 1][static_cast<int>(BinaryWord::MUL)][1][0] = Op::NOP;  // checked, untested
    EXPECT_FALSE(complete(kPlain, kFused, cell));
    cell = kCell;
    cell[1][static_cast<int>(BinaryWord::MUL)][0][0] = Op::NOP;  // unchecked, untested
    EXPECT_FALSE(complete(kPlain, kFused, cell));
    cell = kCell;
    cell[1][static_cast<int>(BinaryWord::LT)][0][1] = Op::NOP;  // a comparison without its test
    EXPECT_FALSE(complete(kPlain, kFused, cell));
    cell = kCell;
    cell[1][static_cast<int>(BinaryWord::ADD)][1][1] = Op::ADD;  // a test of a sum
    EXPECT_FALSE(complete(kPlain, kFused, cell));

    OpInfo infos[kOpCount];
    std::copy(std::begin(kOpInfo), std::end(kOpInfo), infos);
    EXPECT_TRUE(unique(infos));
    infos[static_cast<int>(Op::U_II_ADD)].checked = true;  // now the same as II_ADD
    EXPECT_FALSE(unique(infos));
    std::copy(std::begin(kOpInfo), std::end(kOpInfo), infos);
    infos[kOpCount - 1] = info(Op::NE);  // the last one the same as one far before it
    EXPECT_FALSE(unique(infos));

    EXPECT_TRUE(vocabularyMapped(plainOpOf));
    EXPECT_FALSE(
        vocabularyMapped([](Operation op) { return op == Operation::OR ? Op::AND : plainOpOf(op); }));
    EXPECT_FALSE(
        vocabularyMapped([](Operation op) { return op == Operation::EMPTY ? Op::DUP : plainOpOf(op); }));
    EXPECT_FALSE(
        vocabularyMapped([](Operation op) { return op == Operation::DUP ? Op::NOP : plainOpOf(op); }));
    EXPECT_FALSE(vocabularyMapped([](Operation op) { return op == Operation::LT ? Op::GT : plainOpOf(op); }));
    EXPECT_FALSE(
        vocabularyMapped([](Operation op) { return op == Operation::ADD ? Op::DUP : plainOpOf(op); }));
    EXPECT_FALSE(
        vocabularyMapped([](Operation op) { return op == Operation::NOTHING ? Op::DUP : plainOpOf(op); }));
}
