// The instruction vocabulary of the stack machine: every operator word of the translated
// program maps to one Op, plus the operand pushes and the fused forms made while decoding.
#pragma once

#include <cstdint>
#include <string_view>

enum class Op : std::uint8_t {
    NOP,  // "empty", and every word outside the vocabulary
    // Operands: the item itself goes on the stack (a variable as a reference to it).
    PUSH_INT,
    PUSH_REAL,
    PUSH_STR,
    PUSH_VAR,
    PUSH_LABEL,
    // Operator words.
    MUL,
    DIV,
    SUB,
    ADD,
    ASSIGN,
    LT,
    GT,
    LE,
    GE,
    EQ,
    NE,
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
    // Fused: a label item followed by "jump" / "jumpfalse", run as one step. The item after
    // the label keeps its own plain form, so a jump that lands between the two still works.
    JUMP_TO,
    JUMPFALSE_TO,
};

// The operation an operator word names; NOP for a word outside the vocabulary.
Op opOfWord(std::string_view word);
