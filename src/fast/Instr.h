// The compact form the stack machine runs: one instruction per POLIZ item, decoded once before
// the run, with operands resolved to ready-made stack values, and the cell forms of whole
// statements after them.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "fast/Op.h"
#include "fast/Value.h"
#include "lexemes/Ident.h"

class Poliz;

// Instruction i stands for item i, so addresses, listings and traces need no mapping; one more,
// HALT, follows the last. Every operand item's instruction keeps its operand in `a`, fused or
// not, which is where fused forms find the operands of the items they cover. The cell forms of
// a statement that starts at item i begin at instruction i and go on after HALT.
struct Instr {
    Op op = Op::NOP;
    // STMT_*, COND_*: the expression's temporary T is pushed nowhere else, so no one can see
    // its value and the store into it may be left out when it cannot fail.
    bool privateTemp = false;
    bool onTrue = false;      // the tested cell forms: the jump is taken when the comparison holds
    bool temporary = false;   // a pushed variable is an expression's temporary (while decoding)
    std::int32_t target = 0;  // the fused jumps and the cell branches: where a taken jump goes
    std::int32_t next = 0;    // cell forms: the instruction that follows
    Value a{};                // an operand item: its value, ready to push
    NumCell* x = nullptr;     // cell forms: the operands and the result
    NumCell* y = nullptr;
    NumCell* z = nullptr;
    const Instr* nextp = nullptr;  // cell forms: the instruction at `next`, linked once decoded
};
// A power of two, so that an address becomes an instruction with a shift.
static_assert(sizeof(void*) != 8 || sizeof(Instr) == 64);


// A decoded program: the instructions and the cells of constants and intermediate results that
// the cell forms use (a deque, so the cells never move).
struct Program {
    std::vector<Instr> code;
    std::deque<NumCell> cells;
    // The variable each variable cell that a cell form reads belongs to, sorted by cell, so that
    // an unassigned one is named without searching the program.
    std::vector<std::pair<const NumCell*, const Ident*>> owners;

    const Ident* ownerOf(const NumCell* cell) const;
};

// Decodes every item. With fuse, frequent item shapes become fused instructions (see Op) and
// statements become cell forms; without it, every item runs as its own step.
Program decode(const Poliz& poliz, bool fuse);

// Which expression temporaries (the variables no source name reaches) are pushed only once in
// the whole program, so that no one else can see their values: made from every push of a
// temporary, it keeps the few that are pushed more than once, sorted.
class PushCounts {
public:
    explicit PushCounts(std::vector<const Ident*> pushedTemps);
    bool once(const Ident* var) const;

private:
    std::vector<const Ident*> shared;
};

// Compiles the numeric statements of the plain instructions in `code` (HALT last) into cell
// forms, going forward: the first cell form of a statement replaces the instruction at its first
// item (keeping its `a`) and the others go to `tail`, numbered as if they followed HALT; the
// constants and intermediate results get cells in `cells`. Every other item k, and only those,
// is handed to `fuse` when the compiler is past it, while the items after it are still plain.
// Returns the items where compiled statements start.
std::vector<std::size_t> compileStatements(std::vector<Instr>& code, std::deque<NumCell>& cells,
                                           const PushCounts& counts, std::vector<Instr>& tail,
                                           const std::function<void(std::size_t)>& fuse);
