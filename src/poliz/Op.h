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
};

constexpr bool isBinary(Op op) { return op >= Op::MUL && op <= Op::NE; }
constexpr int binaryIndex(Op op) { return static_cast<int>(op) - static_cast<int>(Op::MUL); }
constexpr Op withOperand(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_P) + binaryIndex(binary)); }
constexpr Op withOperands(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_PP) + binaryIndex(binary)); }
constexpr Op asStatement(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_STMT) + binaryIndex(binary)); }
constexpr Op asCondition(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_COND) + binaryIndex(binary)); }
constexpr Op asBranch(Op binary) { return static_cast<Op>(static_cast<int>(Op::MUL_BRANCH) + binaryIndex(binary)); }

// The operation an operator word names; NOP for a word outside the vocabulary.
Op opOfWord(std::string_view word);
