// The instruction vocabulary of the stack machine: every operator word of the translated
// program maps to one Op, plus the operand push and the fused forms made while decoding.
#pragma once

#include <cstdint>
#include <string_view>

enum class Op : std::uint8_t {
    NOP,   // "empty", and every word outside the vocabulary
    PUSH,  // an operand item: the item itself goes on the stack (a variable as a reference)
    // The two-operand words, in one block (see binaryBase).
    MUL,
    DIV,
    SUB,
    ADD,
    LT,
    GT,
    LE,
    GE,
    EQ,
    NE,
    // The other words.
    ASSIGN,
    AND,
    OR,
    NOT,
    READ,
    WRITE,
    BACKSPACE,
    JUMP,
    JUMPFALSE,
    DUP,
    NEG,
    // Fused forms. One stands at the address of the first item it covers and does what the
    // covered items do in turn; the items after the first keep their plain forms, so a jump
    // that lands among them still runs correctly. A fused form finds the operands of the items
    // it covers in the instructions that follow it (their `a`).
    PUSH2,  // operand operand
    MUL_P,  // operand word, for each two-operand word in block order: the operand is op1
    DIV_P,
    SUB_P,
    ADD_P,
    LT_P,
    GT_P,
    LE_P,
    GE_P,
    EQ_P,
    NE_P,
    MUL_PP,  // operand operand word
    DIV_PP,
    SUB_PP,
    ADD_PP,
    LT_PP,
    GT_PP,
    LE_PP,
    GE_PP,
    EQ_PP,
    NE_PP,
    MUL_STMT,  // T x operand operand word "=" "=" "backspace": the statement x = a word b
    DIV_STMT,
    SUB_STMT,
    ADD_STMT,
    LT_STMT,
    GT_STMT,
    LE_STMT,
    GE_STMT,
    EQ_STMT,
    NE_STMT,
    MUL_COND,  // T operand operand word "=" label "jumpfalse": the condition a word b
    DIV_COND,
    SUB_COND,
    ADD_COND,
    LT_COND,
    GT_COND,
    LE_COND,
    GE_COND,
    EQ_COND,
    NE_COND,
    MUL_BRANCH,  // operand operand word label "jumpfalse": a test of a case label
    DIV_BRANCH,
    SUB_BRANCH,
    ADD_BRANCH,
    LT_BRANCH,
    GT_BRANCH,
    LE_BRANCH,
    GE_BRANCH,
    EQ_BRANCH,
    NE_BRANCH,
    ASSIGN_P,          // operand "="
    ASSIGN_STMT,       // "=" "=" "backspace": the end of an expression statement
    ASSIGN_JUMPFALSE,  // "=" label "jumpfalse": the end of a condition
    AND_SHORTCUT,      // "dup" label "jumpfalse": a zero left operand of "and" decides
    OR_SHORTCUT,       // "dup" "not" label "jumpfalse": a non-zero left operand of "or" decides
    JUMP_TO,           // label "jump"
    JUMPFALSE_TO,      // label "jumpfalse"
    HALT,              // after the last item: the run ends
    // Cell forms: a whole expression statement or condition compiled once into operations on
    // number cells (variables, constants and intermediate results) that know their operands'
    // types. Every one continues at its `next`; the branches go to `target` when their value is
    // 0. x and y are the operands (y the right one), z the result.
    II_MUL,  // z = x word y, both "int", in two-operand block order
    II_DIV,
    II_SUB,
    II_ADD,
    II_LT,
    II_GT,
    II_LE,
    II_GE,
    II_EQ,
    II_NE,
    RR_MUL,  // the real form, both operands "real" (or constants, which hold both values)
    RR_DIV,
    RR_SUB,
    RR_ADD,
    RR_LT,
    RR_GT,
    RR_LE,
    RR_GE,
    RR_EQ,
    RR_NE,
    IR_MUL,  // the real form, x "int"
    IR_DIV,
    IR_SUB,
    IR_ADD,
    IR_LT,
    IR_GT,
    IR_LE,
    IR_GE,
    IR_EQ,
    IR_NE,
    RI_MUL,  // the real form, y "int"
    RI_DIV,
    RI_SUB,
    RI_ADD,
    RI_LT,
    RI_GT,
    RI_LE,
    RI_GE,
    RI_EQ,
    RI_NE,
    IIB_LT,  // a comparison that is only tested: to target when it does not hold
    IIB_GT,
    IIB_LE,
    IIB_GE,
    IIB_EQ,
    IIB_NE,
    RRB_LT,
    RRB_GT,
    RRB_LE,
    RRB_GE,
    RRB_EQ,
    RRB_NE,
    IRB_LT,
    IRB_GT,
    IRB_LE,
    IRB_GE,
    IRB_EQ,
    IRB_NE,
    RIB_LT,
    RIB_GT,
    RIB_LE,
    RIB_GE,
    RIB_EQ,
    RIB_NE,
    MOV_I,   // z = x, "int"
    MOV_R,   // z = x, "real"
    I2R,     // z = x as a real
    R2I,     // z = x truncated to an int
    NEG_I,   // z = -x
    NEG_R,
    NOT_I,   // z = x == 0
    AND_I,   // z = x and y, y fetched only when x is not 0
    OR_I,    // z = x or y, y fetched only when x is 0
    JZ,      // to target when x is 0
    JNZ,     // to target when x is not 0
    GOTO,    // to next
};

constexpr bool isBinary(Op op) { return op >= Op::MUL && op <= Op::NE; }
constexpr int binaryIndex(Op op) { return static_cast<int>(op) - static_cast<int>(Op::MUL); }
constexpr Op withOperand(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_P) + binaryIndex(binary)); }
constexpr Op withOperands(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_PP) + binaryIndex(binary)); }
constexpr Op asStatement(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_STMT) + binaryIndex(binary)); }
constexpr Op asCondition(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_COND) + binaryIndex(binary)); }
constexpr Op asBranch(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_BRANCH) + binaryIndex(binary)); }
constexpr bool isComparison(Op binary) { return binary >= Op::LT && binary <= Op::NE; }
// The cell forms of a two-operand word: form is one of II_MUL, RR_MUL, IR_MUL, RI_MUL.
constexpr Op cellForm(Op form, Op binary) { return static_cast<Op>(static_cast<int>(form) + binaryIndex(binary)); }
constexpr bool isCellComparison(Op op) {
    return op >= Op::II_MUL && op <= Op::RI_NE && (static_cast<int>(op) - static_cast<int>(Op::II_MUL)) % 10 >= binaryIndex(Op::LT);
}
// The tested form of a comparison cell form (II_LT .. RI_NE).
constexpr Op testedForm(Op cellOp) {
    const int form = (static_cast<int>(cellOp) - static_cast<int>(Op::II_MUL)) / 10;
    const int cmp = (static_cast<int>(cellOp) - static_cast<int>(Op::II_MUL)) % 10 - binaryIndex(Op::LT);
    return static_cast<Op>(static_cast<int>(Op::IIB_LT) + form * 6 + cmp);
}

// The operation an operator word names; NOP for a word outside the vocabulary.
Op opOfWord(std::string_view word);
