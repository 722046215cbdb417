// The compact form the stack machine runs: one instruction per POLIZ item, decoded once before
// the run, with operands resolved to ready-made stack values.
#pragma once

#include <cstdint>
#include <vector>

#include "poliz/Op.h"
#include "poliz/Value.h"

class Poliz;

// Instruction i stands for item i, so addresses, listings and traces need no mapping.
struct Instr {
    Op op = Op::NOP;
    std::int32_t target = 0;  // JUMP_TO, JUMPFALSE_TO: the instruction a taken jump goes to
    Value a{};                // PUSH and the fused forms: the (first) operand
    Value b{};                // PUSH2, *_PP: the second operand
};

// Decodes every item. With fuse, frequent item shapes become fused instructions (see Op);
// without it, every item runs as its own step.
std::vector<Instr> decode(const Poliz& poliz, bool fuse);
