// The execution trace of poliz-show: one line per executed item with its address, the item and
// the operand stack after it, written as the machine runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "poliz/PolizItemText.h"
#include "fast/PolizTracer.h"

class TraceWriter final : public PolizTracer {
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

    bool step(int address, const std::vector<TraceEntry>& stack) override;

private:
    void appendEntry(const TraceEntry& entry);
};
