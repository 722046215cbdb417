// The execution trace of poliz-show: one line per executed item with its address, the item and
// the operand stack after it, written as the machine runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "machine/StackMachine.h"
#include "poliz/PolizItemText.h"

class TraceWriter {
    const Poliz& poliz;
    const PolizItemText items;
    std::ostream& out;
    std::int64_t limit;  // steps to write; negative for all
    std::int64_t steps = 0;
    std::size_t addressColumn;
    std::size_t textColumn;
    std::string line;  // reused, so a long trace does not allocate a line per step

public:
    // Writes the first `limit` steps (all when negative) to `out`.
    TraceWriter(const Poliz& poliz, std::ostream& out, std::int64_t limit);

    // Writes the step that ran the item at `address` and left `stack`; returns false, after a
    // note, once the limit is reached: the run then goes on untraced.
    bool step(int address, const std::vector<StackEntry>& stack);

private:
    void appendEntry(const StackEntry& entry);
};
