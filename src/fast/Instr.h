// The compact form the fast backend runs, decoded once before the run: instructions with their
// operands resolved to ready-made stack values, the cell forms of numeric units, and the cells
// of constants and intermediate results.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "fast/Op.h"
#include "fast/Value.h"
#include "lexemes/Ident.h"

class LazyUnits;
class Poliz;

// One instruction. A plain or fused instruction stands for one item, and the instructions of
// the items of a unit that is not compiled follow one another as the items do, so fused forms
// find the operands of the items they cover in the instructions after them (their `a`). A
// compiled unit is its cell forms instead, linked by `nextp`.
struct CellOperands {
    NumCell* x;  // the operands, y the right one
    NumCell* y;
    NumCell* z;  // the result
};

// Aligned to 16 bytes: the run loop measured markedly faster on 48-byte instructions than on
// 40-byte ones that straddle cache lines more often.
struct alignas(16) Instr {
    Op op = Op::NOP;
    // STMT_*, COND_*: the expression's temporary T is pushed nowhere else, so no one can see
    // its value and the store into it may be left out when it cannot fail.
    bool privateTemp = false;
    // The tested cell forms: the jump is taken when the comparison holds. JUMP_TO: it goes back
    // to a loop's head, and the machine counts it.
    bool onTrue = false;
    // While decoding: `next` (kNextIsItem) or `target` (kTargetIsItem) holds the address of the
    // item where control goes, which becomes an instruction index once the program is laid out.
    std::uint8_t pending = 0;
    std::int32_t target = 0;  // the fused jumps and the cell branches: where a taken jump goes
    union {
        Value a;            // plain and fused forms: an operand item's value, ready to push
        CellOperands cell;  // cell forms
    };
    union {
        std::int32_t next;  // cell forms, while decoding: the index of the instruction that follows
        Instr* nextp;       // cell forms, once linked
    };

    Instr() : a(), nextp(nullptr) {}
};
inline constexpr std::uint8_t kNextIsItem = 1;
inline constexpr std::uint8_t kTargetIsItem = 2;

// Small, since a large program has millions.
static_assert(sizeof(void*) != 8 || sizeof(Instr) == 48);

// A decoded program: the instructions (HALT last among those of items), the cells of constants
// and intermediate results that the cell forms use (a deque, so the cells never move).
struct Program {
    std::vector<Instr> code;
    std::deque<NumCell> cells;
    // The variable each variable cell belongs to, sorted by cell, so that an unassigned one is
    // named without searching the program.
    std::vector<std::pair<const NumCell*, const Ident*>> owners;
    // Set by decodeForRun instead of the above: the units, laid out as control reaches them.
    std::unique_ptr<LazyUnits> lazy;

    Program();
    Program(Program&&) noexcept;
    Program& operator=(Program&&) noexcept;
    ~Program();

    const Ident* ownerOf(const NumCell* cell) const;
};

// Decodes the program. Plain: instruction i stands for item i, every item runs as its own step
// (traces and tests use it). Fused: frequent item shapes become fused instructions, and, where
// the translator recorded its units, numeric units become cell forms and instructions are
// numbered in the order they are laid out. countLoops keeps every jump back to a loop's head an
// instruction of its own (JUMP_TO, whose `next` holds the item it goes to), for the machine to
// count.
Program decode(const Poliz& poliz, bool fuse, bool countLoops = false);
// The program as a run uses it: where the translator recorded its units, each is laid out in
// place the first time control reaches it (LazyUnits.h), which runs exactly as decode's fused
// layout does; otherwise decode's.
Program decodeForRun(const Poliz& poliz, bool countLoops);
