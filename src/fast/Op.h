// The fast backend's opcodes. Each one is a composition of named fields (what it does, which
// operand forms it takes, whether it checks that variables hold values, whether it only tests a
// comparison); a table made from the one list below records them, and every other form of an
// opcode is found in that table, never by arithmetic on positions in the enumeration.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "runtime/Vocabulary.h"

// The shape of the items an opcode stands for.
enum class Family : std::uint8_t {
    PLAIN,     // one POLIZ item
    FUSED,     // several items in a row, run in one step (see Shape)
    CELL,      // an operation on number cells: z = x word y, or another cell step
    CELL_JUMP  // a cell form that branches to `target`
};

// Which items a fused opcode covers, starting at its own address.
enum class Shape : std::uint8_t {
    NONE,
    WITH_OPERAND,   // operand word: the operand is op1
    WITH_OPERANDS,  // operand operand word
    STATEMENT,      // T x operand operand word "=" "=" "backspace": x = a word b
    CONDITION,      // T operand operand word "=" label "jumpfalse": the condition a word b
    BRANCH,         // operand operand word label "jumpfalse": a test of a case label
    OTHER           // a shape of its own, described beside its opcode
};

// The two-operand words of the vocabulary, numbered densely from 1 (NONE: any other word), which
// is what most fused and cell opcodes are made of and what their tables are indexed by.
enum class BinaryWord : std::uint8_t { NONE, MUL, DIV, SUB, ADD, LT, GT, LE, GE, EQ, NE };
inline constexpr int kOperations = 11;

// The two-operand word of a vocabulary operation, or NONE.
constexpr BinaryWord binaryWordOf(Operation op) {
    switch (op) {
        case Operation::MUL: return BinaryWord::MUL;
        case Operation::DIV: return BinaryWord::DIV;
        case Operation::SUB: return BinaryWord::SUB;
        case Operation::ADD: return BinaryWord::ADD;
        case Operation::LT: return BinaryWord::LT;
        case Operation::GT: return BinaryWord::GT;
        case Operation::LE: return BinaryWord::LE;
        case Operation::GE: return BinaryWord::GE;
        case Operation::EQ: return BinaryWord::EQ;
        case Operation::NE: return BinaryWord::NE;
        default: return BinaryWord::NONE;
    }
}

// The operand types of a cell form: both "int", both "real", the left one "int", the right one
// "int" (constants count as "real" there: their cells hold both values).
enum class Forms : std::uint8_t { NONE, II, RR, IR, RI };
inline constexpr int kFormCount = 5;

constexpr bool isComparison(BinaryWord w) { return w >= BinaryWord::LT && w <= BinaryWord::NE; }

// The lists of opcodes as X(NAME, FAMILY, SHAPE, OPERATION, FORMS, CHECKED, TESTED). The
// enumeration, the table of fields and the machine's dispatch table are all made from them.
#define POLIZ_EACH_WORD(X, PREFIX, FAMILY, SHAPE, FORMS, CHECKED, TESTED) \
    X(PREFIX##MUL, FAMILY, SHAPE, MUL, FORMS, CHECKED, TESTED)            \
    X(PREFIX##DIV, FAMILY, SHAPE, DIV, FORMS, CHECKED, TESTED)            \
    X(PREFIX##SUB, FAMILY, SHAPE, SUB, FORMS, CHECKED, TESTED)            \
    X(PREFIX##ADD, FAMILY, SHAPE, ADD, FORMS, CHECKED, TESTED)            \
    POLIZ_EACH_COMPARISON(X, PREFIX, FAMILY, SHAPE, FORMS, CHECKED, TESTED)
#define POLIZ_EACH_COMPARISON(X, PREFIX, FAMILY, SHAPE, FORMS, CHECKED, TESTED) \
    X(PREFIX##LT, FAMILY, SHAPE, LT, FORMS, CHECKED, TESTED)                    \
    X(PREFIX##GT, FAMILY, SHAPE, GT, FORMS, CHECKED, TESTED)                    \
    X(PREFIX##LE, FAMILY, SHAPE, LE, FORMS, CHECKED, TESTED)                    \
    X(PREFIX##GE, FAMILY, SHAPE, GE, FORMS, CHECKED, TESTED)                    \
    X(PREFIX##EQ, FAMILY, SHAPE, EQ, FORMS, CHECKED, TESTED)                    \
    X(PREFIX##NE, FAMILY, SHAPE, NE, FORMS, CHECKED, TESTED)

// One item each: the vocabulary's words and the operand push.
#define POLIZ_PLAIN_OPS(X)                                                                    \
    X(NOP, PLAIN, NONE, NONE, NONE, true, false)  /* "empty", and every word outside it */    \
    X(PUSH, PLAIN, NONE, NONE, NONE, true, false) /* an operand: the item itself is pushed */ \
    POLIZ_EACH_WORD(X, , PLAIN, NONE, NONE, true, false)                                      \
    X(ASSIGN, PLAIN, NONE, NONE, NONE, true, false)                                           \
    X(AND, PLAIN, NONE, NONE, NONE, true, false)                                              \
    X(OR, PLAIN, NONE, NONE, NONE, true, false)                                               \
    X(NOT, PLAIN, NONE, NONE, NONE, true, false)                                              \
    X(READ, PLAIN, NONE, NONE, NONE, true, false)                                             \
    X(WRITE, PLAIN, NONE, NONE, NONE, true, false)                                            \
    X(BACKSPACE, PLAIN, NONE, NONE, NONE, true, false)                                        \
    X(JUMP, PLAIN, NONE, NONE, NONE, true, false)                                             \
    X(JUMPFALSE, PLAIN, NONE, NONE, NONE, true, false)                                        \
    X(DUP, PLAIN, NONE, NONE, NONE, true, false)                                              \
    X(NEG, PLAIN, NONE, NONE, NONE, true, false)

// Fused forms. One stands at the address of the first item it covers and does what the covered
// items do in turn; the items after the first keep their plain forms, so a jump that lands
// among them still runs correctly. A fused form finds the operands of the items it covers in
// the instructions that follow it (their `a`).
#define POLIZ_FUSED_OPS(X)                                                                         \
    X(PUSH2, FUSED, OTHER, NONE, NONE, true, false) /* operand operand */                          \
    POLIZ_EACH_WORD(X, P_, FUSED, WITH_OPERAND, NONE, true, false)                                 \
    POLIZ_EACH_WORD(X, PP_, FUSED, WITH_OPERANDS, NONE, true, false)                               \
    POLIZ_EACH_WORD(X, STMT_, FUSED, STATEMENT, NONE, true, false)                                 \
    POLIZ_EACH_WORD(X, COND_, FUSED, CONDITION, NONE, true, false)                                 \
    POLIZ_EACH_WORD(X, BRANCH_, FUSED, BRANCH, NONE, true, false)                                  \
    X(ASSIGN_P, FUSED, OTHER, NONE, NONE, true, false)         /* operand "=" */                   \
    X(ASSIGN_STMT, FUSED, OTHER, NONE, NONE, true, false)      /* "=" "=" "backspace" */           \
    X(ASSIGN_JUMPFALSE, FUSED, OTHER, NONE, NONE, true, false) /* "=" label "jumpfalse" */         \
    X(AND_SHORTCUT, FUSED, OTHER, NONE, NONE, true, false)     /* "dup" label "jumpfalse" */       \
    X(OR_SHORTCUT, FUSED, OTHER, NONE, NONE, true, false)      /* "dup" "not" label "jumpfalse" */ \
    X(JUMP_TO, FUSED, OTHER, NONE, NONE, true, false)          /* label "jump" */                  \
    X(JUMPFALSE_TO, FUSED, OTHER, NONE, NONE, true, false)     /* label "jumpfalse" */             \
    X(HALT, FUSED, OTHER, NONE, NONE, true, false)             /* after the last item: the run ends */

// Cell forms: a whole expression statement or condition compiled once into operations on number
// cells (variables, constants and intermediate results) that know their operands' types. Every
// one continues at its `next`; the branches go to `target` when their value is 0 (or, tested
// comparisons with onTrue, when it holds). x and y are the operands (y the right one), z the
// result. The unchecked forms (U_) have operands known to hold values (constants, intermediate
// results, variables assigned before in the statement, or any once the form has run: see below).
#define POLIZ_CELL_CHECKED_OPS(X)                                   \
    POLIZ_EACH_WORD(X, II_, CELL, NONE, II, true, false)            \
    POLIZ_EACH_WORD(X, RR_, CELL, NONE, RR, true, false)            \
    POLIZ_EACH_WORD(X, IR_, CELL, NONE, IR, true, false)            \
    POLIZ_EACH_WORD(X, RI_, CELL, NONE, RI, true, false)            \
    POLIZ_EACH_COMPARISON(X, IIB_, CELL_JUMP, NONE, II, true, true) \
    POLIZ_EACH_COMPARISON(X, RRB_, CELL_JUMP, NONE, RR, true, true) \
    POLIZ_EACH_COMPARISON(X, IRB_, CELL_JUMP, NONE, IR, true, true) \
    POLIZ_EACH_COMPARISON(X, RIB_, CELL_JUMP, NONE, RI, true, true)

#define POLIZ_CELL_UNCHECKED_OPS(X)                                    \
    POLIZ_EACH_WORD(X, U_II_, CELL, NONE, II, false, false)            \
    POLIZ_EACH_WORD(X, U_RR_, CELL, NONE, RR, false, false)            \
    POLIZ_EACH_WORD(X, U_IR_, CELL, NONE, IR, false, false)            \
    POLIZ_EACH_WORD(X, U_RI_, CELL, NONE, RI, false, false)            \
    POLIZ_EACH_COMPARISON(X, U_IIB_, CELL_JUMP, NONE, II, false, true) \
    POLIZ_EACH_COMPARISON(X, U_RRB_, CELL_JUMP, NONE, RR, false, true) \
    POLIZ_EACH_COMPARISON(X, U_IRB_, CELL_JUMP, NONE, IR, false, true) \
    POLIZ_EACH_COMPARISON(X, U_RIB_, CELL_JUMP, NONE, RI, false, true)

#define POLIZ_CELL_OTHER_OPS(X)                                                                        \
    X(MOV_I, CELL, NONE, NONE, NONE, true, false) /* z = x, "int" */                                   \
    X(MOV_R, CELL, NONE, NONE, NONE, true, false) /* z = x, "real" */                                  \
    X(I2R, CELL, NONE, NONE, NONE, true, false)   /* z = x as a real */                                \
    X(R2I, CELL, NONE, NONE, NONE, true, false)   /* z = x truncated to an int */                      \
    X(NEG_I, CELL, NONE, NONE, NONE, true, false) /* z = -x */                                         \
    X(NEG_R, CELL, NONE, NONE, NONE, true, false)                                                      \
    X(NOT_I, CELL, NONE, NONE, NONE, true, false)    /* z = x == 0 */                                  \
    X(AND_I, CELL, NONE, NONE, NONE, true, false)    /* z = x and y, y fetched only when x is not 0 */ \
    X(OR_I, CELL, NONE, NONE, NONE, true, false)     /* z = x or y, y fetched only when x is 0 */      \
    X(JZ, CELL_JUMP, NONE, NONE, NONE, true, false)  /* to target when x is 0 */                       \
    X(JNZ, CELL_JUMP, NONE, NONE, NONE, true, false) /* to target when x is not 0 */                   \
    X(GOTO, CELL, NONE, NONE, NONE, true, false)     /* to next */

// The forms above (but "and", "or" and the jump to next) with operands known to hold values. A
// checked cell form that has run through once becomes its unchecked form: its operands held
// values then, and a variable never loses its value, so its fetches can no longer fail.
#define POLIZ_CELL_UNCHECKED_OTHER_OPS(X)              \
    X(U_MOV_I, CELL, NONE, NONE, NONE, false, false)   \
    X(U_MOV_R, CELL, NONE, NONE, NONE, false, false)   \
    X(U_I2R, CELL, NONE, NONE, NONE, false, false)     \
    X(U_R2I, CELL, NONE, NONE, NONE, false, false)     \
    X(U_NEG_I, CELL, NONE, NONE, NONE, false, false)   \
    X(U_NEG_R, CELL, NONE, NONE, NONE, false, false)   \
    X(U_NOT_I, CELL, NONE, NONE, NONE, false, false)   \
    X(U_JZ, CELL_JUMP, NONE, NONE, NONE, false, false) \
    X(U_JNZ, CELL_JUMP, NONE, NONE, NONE, false, false)

// PREPARE comes first, so that it is the opcode of zeroed memory: the instruction where a unit
// not yet laid out begins (see LazyUnits.h).
#define POLIZ_OPS(X)                                  \
    X(PREPARE, FUSED, OTHER, NONE, NONE, true, false) \
    POLIZ_PLAIN_OPS(X)                                \
    POLIZ_FUSED_OPS(X)                                \
    POLIZ_CELL_CHECKED_OPS(X)                         \
    POLIZ_CELL_OTHER_OPS(X)                           \
    POLIZ_CELL_UNCHECKED_OPS(X)                       \
    POLIZ_CELL_UNCHECKED_OTHER_OPS(X)

enum class Op : std::uint8_t {
#define POLIZ_OP_ENUMERATOR(name, ...) name,
    POLIZ_OPS(POLIZ_OP_ENUMERATOR)
#undef POLIZ_OP_ENUMERATOR
};

// The fields of one opcode.
struct OpInfo {
    Family family;
    Shape shape;
    BinaryWord word;  // the two-operand word it runs, or NONE
    Forms forms;
    bool checked;  // fetching a variable's value checks that it was assigned
    bool tested;   // a comparison whose value is only tested by a jump
};

inline constexpr OpInfo kOpInfo[] = {
#define POLIZ_OP_INFO(name, family, shape, operation, forms, checked, tested) \
    {Family::family, Shape::shape, BinaryWord::operation, Forms::forms, checked, tested},
    POLIZ_OPS(POLIZ_OP_INFO)
#undef POLIZ_OP_INFO
};
inline constexpr int kOpCount = sizeof kOpInfo / sizeof kOpInfo[0];

// The opcodes' names, for listings of decoded programs.
inline constexpr std::string_view kOpNames[] = {
#define POLIZ_OP_NAME(name, ...) #name,
    POLIZ_OPS(POLIZ_OP_NAME)
#undef POLIZ_OP_NAME
};
static_assert(std::size(kOpNames) == kOpCount, "a name for every opcode");
constexpr std::string_view opName(Op op) { return kOpNames[static_cast<std::size_t>(op)]; }
static_assert(kOpCount <= 256, "an opcode is one byte");

constexpr const OpInfo& info(Op op) { return kOpInfo[static_cast<std::size_t>(op)]; }
constexpr BinaryWord binaryWordOf(Op op) { return info(op).word; }

// The plain opcode of a two-operand word (MUL .. NE), or NOP.
constexpr bool isBinary(Op op) {
    return info(op).family == Family::PLAIN && info(op).word != BinaryWord::NONE;
}
constexpr bool isCellForm(Op op) { return info(op).family >= Family::CELL; }
constexpr bool isCellComparison(Op op) {
    return info(op).family == Family::CELL && info(op).forms != Forms::NONE && isComparison(info(op).word);
}

namespace opdetail {

// Every opcode made of these fields, or NOP when there is none; found once, while compiling.
constexpr Op find(Family family, Shape shape, BinaryWord w, Forms forms, bool checked, bool tested) {
    for (int k = 0; k < kOpCount; ++k) {
        const OpInfo& i = kOpInfo[k];
        if (i.family == family && i.shape == shape && i.word == w && i.forms == forms &&
            i.checked == checked && i.tested == tested)
            return static_cast<Op>(k);
    }
    return Op::NOP;
}

// The fused opcode of each shape and word.
using FusedTable = std::array<std::array<Op, kOperations>, 7>;
constexpr FusedTable makeFused() {
    FusedTable t{};
    for (int s = 0; s < 7; ++s)
        for (int w = 0; w < kOperations; ++w)
            t[s][w] = find(Family::FUSED, static_cast<Shape>(s), static_cast<BinaryWord>(w), Forms::NONE,
                           true, false);
    return t;
}
inline constexpr FusedTable kFused = makeFused();

// The cell opcode of each operand forms, word, checking and testing.
using CellTable = std::array<std::array<std::array<std::array<Op, 2>, 2>, kOperations>, kFormCount>;
constexpr CellTable makeCell() {
    CellTable t{};
    for (int f = 0; f < kFormCount; ++f)
        for (int w = 0; w < kOperations; ++w)
            for (int c = 0; c < 2; ++c)
                for (int b = 0; b < 2; ++b)
                    t[f][w][c][b] = find(b ? Family::CELL_JUMP : Family::CELL, Shape::NONE,
                                         static_cast<BinaryWord>(w), static_cast<Forms>(f), c != 0, b != 0);
    return t;
}
inline constexpr CellTable kCell = makeCell();

// The plain opcode of each word.
constexpr std::array<Op, kOperations> makePlain() {
    std::array<Op, kOperations> t{};
    for (int w = 0; w < kOperations; ++w)
        t[w] = find(Family::PLAIN, Shape::NONE, static_cast<BinaryWord>(w), Forms::NONE, true, false);
    return t;
}
inline constexpr std::array<Op, kOperations> kPlain = makePlain();

// Every combination that the decoder asks for exists (the checks take the tables as
// arguments so that tests can hand them broken ones).
using PlainTable = std::array<Op, kOperations>;
constexpr bool complete(const PlainTable& plain, const FusedTable& fused, const CellTable& cell) {
    for (int w = 1; w < kOperations; ++w) {
        const auto word = static_cast<BinaryWord>(w);
        if (plain[w] == Op::NOP) return false;
        for (Shape s :
             {Shape::WITH_OPERAND, Shape::WITH_OPERANDS, Shape::STATEMENT, Shape::CONDITION, Shape::BRANCH})
            if (fused[static_cast<int>(s)][w] == Op::NOP) return false;
        for (int f = 1; f < kFormCount; ++f)
            for (int c = 0; c < 2; ++c) {
                if (cell[f][w][c][0] == Op::NOP) return false;
                if ((cell[f][w][c][1] == Op::NOP) == isComparison(word)) return false;
            }
    }
    return true;
}
// ... and exactly once.
template <std::size_t N>
constexpr bool unique(const OpInfo (&infos)[N]) {
    for (std::size_t a = 0; a < N; ++a)
        for (std::size_t b = a + 1; b < N; ++b) {
            const OpInfo& x = infos[a];
            const OpInfo& y = infos[b];
            if (x.word != BinaryWord::NONE && x.family == y.family && x.shape == y.shape &&
                x.word == y.word && x.forms == y.forms && x.checked == y.checked && x.tested == y.tested)
                return false;
        }
    return true;
}

}  // namespace opdetail

static_assert(opdetail::complete(opdetail::kPlain, opdetail::kFused, opdetail::kCell),
              "every word has its plain, fused and cell opcodes");
static_assert(opdetail::unique(kOpInfo), "no two opcodes have the same fields");
static_assert(info(Op::HALT).family == Family::FUSED && !isCellForm(Op::HALT));
static_assert(isBinary(Op::NE) && !isBinary(Op::ASSIGN) && !isBinary(Op::P_ADD));

// The plain opcode of a two-operand word.
constexpr Op plainOf(BinaryWord w) { return opdetail::kPlain[static_cast<int>(w)]; }
// The fused opcode of a shape for a two-operand word.
constexpr Op fused(Shape shape, Op binary) {
    return opdetail::kFused[static_cast<int>(shape)][static_cast<int>(binaryWordOf(binary))];
}
// The cell opcode of a two-operand word in the given forms, checked, not tested.
constexpr Op cellForm(Forms forms, Op binary) {
    return opdetail::kCell[static_cast<int>(forms)][static_cast<int>(binaryWordOf(binary))][1][0];
}
// A cell opcode whose operands are known to hold values: its unchecked form, or itself when it
// has none.
constexpr Op uncheckedForm(Op op) {
    const OpInfo& i = info(op);
    if (i.forms != Forms::NONE)
        return opdetail::kCell[static_cast<int>(i.forms)][static_cast<int>(i.word)][0][i.tested];
    switch (op) {
        case Op::MOV_I: return Op::U_MOV_I;
        case Op::MOV_R: return Op::U_MOV_R;
        case Op::I2R: return Op::U_I2R;
        case Op::R2I: return Op::U_R2I;
        case Op::NEG_I: return Op::U_NEG_I;
        case Op::NEG_R: return Op::U_NEG_R;
        case Op::NOT_I: return Op::U_NOT_I;
        case Op::JZ: return Op::U_JZ;
        case Op::JNZ: return Op::U_JNZ;
        default: return op;
    }
}
// The tested form of a comparison cell form.
constexpr Op testedForm(Op op) {
    const OpInfo& i = info(op);
    return opdetail::kCell[static_cast<int>(i.forms)][static_cast<int>(i.word)][i.checked][1];
}
static_assert(uncheckedForm(Op::RI_LT) == Op::U_RI_LT && testedForm(Op::IR_GE) == Op::IRB_GE);
static_assert(uncheckedForm(Op::JZ) == Op::U_JZ && !info(Op::U_JZ).checked &&
              uncheckedForm(Op::AND_I) == Op::AND_I);
static_assert(fused(Shape::CONDITION, Op::SUB) == Op::COND_SUB && cellForm(Forms::RR, Op::DIV) == Op::RR_DIV);
// A one-operand cell form is marked checked exactly when it has an unchecked form ("and", "or"
// and the jump to next are checked and have none); every plain and fused opcode checks what it
// reads, and is marked so.
static_assert(
    [] {
        for (int k = 0; k < kOpCount; ++k) {
            const auto op = static_cast<Op>(k);
            const OpInfo& i = info(op);
            const bool exempt = op == Op::AND_I || op == Op::OR_I || op == Op::GOTO;
            if (i.family < Family::CELL && !i.checked) return false;
            if (i.family >= Family::CELL && i.forms == Forms::NONE && !exempt &&
                i.checked != (uncheckedForm(op) != op))
                return false;
        }
        return true;
    }(),
    "the checked marks of the plain, fused and one-operand cell forms");

// The plain opcode of a vocabulary operation: "empty" and words outside the vocabulary do nothing.
constexpr Op plainOpOf(Operation op) {
    switch (op) {
        case Operation::ASSIGN: return Op::ASSIGN;
        case Operation::AND: return Op::AND;
        case Operation::OR: return Op::OR;
        case Operation::NOT: return Op::NOT;
        case Operation::READ: return Op::READ;
        case Operation::WRITE: return Op::WRITE;
        case Operation::BACKSPACE: return Op::BACKSPACE;
        case Operation::JUMP: return Op::JUMP;
        case Operation::JUMPFALSE: return Op::JUMPFALSE;
        case Operation::DUP: return Op::DUP;
        case Operation::NEG: return Op::NEG;
        case Operation::EMPTY:
        case Operation::NOTHING: return Op::NOP;
        default: return plainOf(binaryWordOf(op));
    }
}

namespace opdetail {
// Every word of the vocabulary has its own plain opcode, and the two-operand ones agree with
// BinaryWord both ways.
constexpr bool vocabularyMapped(Op (*plainOpOf)(Operation)) {
    for (int k = 0; k < kVocabularySize; ++k) {
        const auto op = static_cast<Operation>(k);
        const Op plain = plainOpOf(op);
        if ((plain == Op::NOP) != (op == Operation::EMPTY)) return false;
        if (isBinary(plain) != (binaryWordOf(op) != BinaryWord::NONE)) return false;
        if (isBinary(plain) && binaryWordOf(plain) != binaryWordOf(op)) return false;
        if (isBinary(plain) && (isComparison(op) != isComparison(binaryWordOf(op)))) return false;
        for (int j = 0; j < k; ++j)
            if (plain != Op::NOP && plainOpOf(static_cast<Operation>(j)) == plain) return false;
    }
    return plainOpOf(Operation::NOTHING) == Op::NOP;
}
}  // namespace opdetail
static_assert(opdetail::vocabularyMapped(plainOpOf),
              "each word of the vocabulary decodes to its own plain opcode");
static_assert(plainOpOf(Operation::NE) == Op::NE && plainOpOf(Operation::MUL) == Op::MUL &&
              plainOpOf(Operation::NEG) == Op::NEG);
