// The statement compiler behind CellCompiler: the stack of what the unit's items would push,
// the cell forms made so far, and the chains of "and" and "or" being compiled (CellChains.cpp).
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "fast/CellCompiler.h"

namespace cellcompiler {

// Statements longer than this stay with the fused instructions.
inline constexpr std::size_t kMaxItems = 512;

struct Entry {
    enum class Kind : std::uint8_t { VAR, CONST, REG };
    Kind kind;
    ValueType type;  // INT or REAL
    NumCell* cell;
    bool checked;        // known to hold a value: fetching it cannot fail
    bool truth = false;  // an int known to be 0 or 1
};

// A jump of a chain's left operand to the chain's end, with the value the chain then has.
struct Shortcut {
    enum class Value : std::uint8_t { ZERO, ONE, OPERAND };
    std::size_t branch;  // the instruction that jumps
    Value value;
    NumCell* operand;  // OPERAND: the cell whose value it is
};

// The end marker of a chain: its result cell, the stack depth at which the result lies, and
// the jumps that reach it.
struct Join {
    std::size_t marker;
    std::size_t depth;
    NumCell* result;
    std::size_t storedBefore;
    std::vector<Shortcut> shortcuts;
    std::size_t at = 0;  // the instruction that follows the end, once reached
    bool reached = false;
};

class StatementCompiler {
public:
    StatementCompiler(std::deque<NumCell>& cells, const std::vector<const Ident*>& shared)
        : cells(cells), shared(shared) {}

    bool compile(const std::vector<Instr>& unit, std::int32_t base);
    const std::vector<Instr>& code() const { return ops; }
    std::int32_t localTargetOf(std::size_t j) const { return localTarget[j]; }

private:
    std::deque<NumCell>& cells;
    const std::vector<const Ident*>& shared;
    const std::vector<Instr>* unit = nullptr;
    std::int32_t base = 0;  // the address of the unit's first item
    std::size_t items = 0;  // the unit's items; the instruction after the last is HALT
    std::vector<Entry> stack;
    std::vector<Instr> ops;
    std::vector<NumCell*> regs;  // shared by all statements: one runs at a time
    std::size_t regsUsed = 0;
    std::vector<const NumCell*> stored;  // variables this statement has assigned so far
    std::vector<Join> joins;
    std::vector<std::int32_t> localTarget;  // per instruction: a local jump target, kExit or kNone
    std::size_t barrier = 0;                // instructions before this one may be reached from a jump
    std::vector<bool> safe;                 // per instruction: its operands are known to hold values

    const Instr& plain(std::size_t p) const { return (*unit)[p]; }
    bool isLabelAt(std::size_t p) const {
        return p < items && plain(p).op == Op::PUSH && plain(p).a.slot == Slot::LABEL;
    }
    // The unit's own item a label holds, or `items` when it holds one outside the unit.
    std::size_t localAddress(const Instr& label) const {
        const std::int64_t local = std::int64_t{label.a.i} - base;
        return local >= 0 && local < static_cast<std::int64_t>(items) ? static_cast<std::size_t>(local)
                                                                      : items;
    }
    bool isPrivate(const Ident* var) const {
        return !var->isLvalue() &&
               !std::binary_search(shared.begin(), shared.end(), var, std::less<const Ident*>{});
    }

    NumCell* newReg() {
        if (regsUsed == regs.size()) {
            cells.push_back(NumCell{0, 0.0f, true});
            regs.push_back(&cells.back());
        }
        return regs[regsUsed++];
    }
    NumCell* newConst(std::int32_t i, float r) {
        cells.push_back(NumCell{i, r, true});
        return &cells.back();
    }
    NumCell* newConst(std::int32_t i) { return newConst(i, static_cast<float>(i)); }
    bool operand(const Value& a, Entry& e);
    Instr& emit(Op op, const NumCell* x, const NumCell* y, NumCell* z) {
        Instr ins;
        ins.op = op;
        ins.cell.x = const_cast<NumCell*>(x);
        ins.cell.y = const_cast<NumCell*>(y);
        ins.cell.z = z;
        ops.push_back(ins);
        localTarget.push_back(kNone);
        safe.push_back(false);
        return ops.back();
    }
    // Whether the last instruction made the given result and nothing jumps past it, so that
    // it may be changed to deliver the result elsewhere.
    bool lastMade(const Entry& e) const {
        return e.kind == Entry::Kind::REG && ops.size() > barrier && ops.back().cell.z == e.cell;
    }
    bool shortcut(std::size_t& p, bool isAnd);
    bool reachJoin(std::size_t p);
    void finish();
    bool binary(Op word);
    bool unary(Op word);
    bool assign();
    void store(const Entry& target, const Entry& v);
    bool finishCondition(std::size_t labelAt);
    bool knownAssigned(const Entry& e) const {
        return e.checked || std::find(stored.begin(), stored.end(), e.cell) != stored.end();
    }
    bool place();
};

}  // namespace cellcompiler
