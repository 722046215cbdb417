// The pieces of decoding that work item by item (Decode.cpp): an item's plain instruction, the
// fused forms of item shapes, and which variables own their cells. The unit layouts use them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "fast/Instr.h"

namespace decoding {

// The plain instruction of one item: a push of its value, or its word's opcode.
Instr decodeItem(Lex* item);

// What the decoder knows of the expression temporaries: the sorted list of those pushed more
// than once, when the translator recorded it.
struct Temporaries {
    bool known = false;
    std::vector<const Ident*> shared;

    // T, pushed only by its expression, is a variable that holds the type `other` gives it.
    bool isPrivate(const Value& t, Slot other) const {
        if (!known || !isVariable(t.slot) || t.slot != other || t.var->isLvalue()) return false;
        return !std::binary_search(shared.begin(), shared.end(), t.var, std::less<const Ident*>{});
    }
};

// Turns the plain instruction at k into the fused form of the items starting there, when a
// shape fits; the instructions after k are still plain. `labels` is the number of items of the
// whole program, which a label may lead to.
void fuseAt(std::vector<Instr>& plain, std::size_t k, const Temporaries& temps, std::size_t labels);

// Marks the JUMP_TOs of a label and "jump" that go back to a loop's head (onTrue), which the
// machine counts; `first` is the address of plain[0]'s item.
void markLoopJumps(std::vector<Instr>& plain, std::int32_t first);

// The fused forms that jump to an item (a label's address + 1) when taken.
bool jumpsToItem(Op op);

// Whether the item is a word whose plain opcode is `op`.
bool isWordItem(const Lex* item, Op op);

// Every named variable of the program with its cell, sorted by cell; only a named one can be
// unassigned, as temporaries are made assigned.
void collectOwners(const Poliz& poliz, std::vector<std::pair<const NumCell*, const Ident*>>& owners);

// The owner of a cell in a list that collectOwners made, or null.
const Ident* ownerIn(const std::vector<std::pair<const NumCell*, const Ident*>>& owners, const NumCell* cell);

}  // namespace decoding
