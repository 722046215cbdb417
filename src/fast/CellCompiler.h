// The cell compiler: a unit of numeric code (an expression statement or a condition) becomes
// operations on number cells that know their operands' types (see CellCompiler.cpp).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "fast/Instr.h"

namespace cellcompiler {
class StatementCompiler;
}

// Local instruction indices: a unit's cell forms are numbered from 0; kExit is the unit's end,
// kNone marks a jump whose `target` holds the address of an item outside the unit.
inline constexpr std::int32_t kExit = -1;
inline constexpr std::int32_t kNone = -2;

class CellCompiler {
public:
    // sharedTemporaries: sorted; the expression temporaries pushed more than once.
    CellCompiler(std::deque<NumCell>& cells, const std::vector<const Ident*>& sharedTemporaries);
    ~CellCompiler();
    CellCompiler(const CellCompiler&) = delete;
    CellCompiler& operator=(const CellCompiler&) = delete;

    // Compiles a whole unit: its items decoded plain, then HALT; `base` is the first item's
    // address. False leaves the unit to the plain instructions.
    bool compile(const std::vector<Instr>& unit, std::int32_t base);
    // The unit compiled last. Each continues at `next` (a local index or kExit); a jump goes to
    // localTargetOf(j) (a local index or kExit) or, where that is kNone, to the item `target`.
    const std::vector<Instr>& code() const;
    std::int32_t localTargetOf(std::size_t j) const;

private:
    std::unique_ptr<cellcompiler::StatementCompiler> compiler;
};
