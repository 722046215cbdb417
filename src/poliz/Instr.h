// The compact form the stack machine runs: one instruction per POLIZ item, decoded once before
// the run, with operands resolved to immediates or direct pointers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lexemes/Ident.h"
#include "poliz/Op.h"
#include "poliz/Value.h"

class Poliz;

// Instruction i stands for item i, so addresses, listings and traces need no mapping.
struct Instr {
    Op op = Op::NOP;
    Slot slot = Slot::INT;  // PUSH_VAR: the slot kind of the variable's type
    union {
        std::int32_t imm = 0;  // PUSH_INT: value; PUSH_LABEL: address; *_TO: the next pc
        float real;            // PUSH_REAL
    };
    union {
        Ident* var = nullptr;     // PUSH_VAR
        const std::string* str;   // PUSH_STR
    };
};

// Decodes every item. With fuse, a label followed by a jump word becomes one JUMP_TO or
// JUMPFALSE_TO at the label's address (when the label is in range), and the jump word's own
// instruction stays as it was.
std::vector<Instr> decode(const Poliz& poliz, bool fuse);
