// The compact form the stack machine runs: one instruction per POLIZ item, decoded once before
// the run, with operands resolved to ready-made stack values.
#pragma once

#include <cstdint>
#include <vector>

#include "poliz/Op.h"
#include "poliz/Value.h"

class Poliz;

// Instruction i stands for item i, so addresses, listings and traces need no mapping; one more,
// HALT, follows the last. Every operand item's instruction keeps its operand in `a`, fused or
// not, which is where fused forms find the operands of the items they cover.
struct Instr {
    Op op = Op::NOP;
    // *_STMT, *_COND: the expression's temporary T is pushed nowhere else, so no one can see
    // its value and the store into it may be left out when it cannot fail.
    bool privateTemp = false;
    std::int32_t target = 0;  // the fused jumps: the instruction a taken jump goes to
    Value a{};                // an operand item: its value, ready to push
};

// Decodes every item. With fuse, frequent item shapes become fused instructions (see Op);
// without it, every item runs as its own step.
std::vector<Instr> decode(const Poliz& poliz, bool fuse);
