// The execution trace of poliz-show: one line per executed item with its address, the item and
// the operand stack after it, under a header for each source line the run enters, written as
// the machine runs.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "machine/StackMachine.h"
#include "show/StepText.h"
#include "show/WrittenText.h"

class TraceWriter {
    const StepText text;
    std::ostream& out;
    std::int64_t limit;  // steps to write; negative for all
    std::int64_t steps = 0;
    int shownLine = -1;  // the line of the last header written
    std::string line;    // reused, so a long trace does not allocate a line per step
    WrittenText* written = nullptr;
    bool sharedTerminal = false;

public:
    // Writes the first `limit` steps (all when negative) to `out`; `sourceLines` give the
    // headers their text.
    TraceWriter(const Poliz& poliz, std::vector<std::string> sourceLines, std::ostream& out,
                std::int64_t limit);
    // The line of a "write" shows what it wrote, as `program` saw it written. With
    // `sharedTerminal` (the output and the trace go to one terminal), the output is flushed at
    // each write and a line it leaves open is ended before the next trace line, so that the
    // trace keeps its columns.
    void showOutput(WrittenText& program, bool sharedTerminal);

    // Runs `machine` to its end, tracing its first steps. A runtime error is rethrown after a
    // line that names the failing item, unless the limit is 0: that run is poliz's own.
    void run(StackMachine& machine);

private:
    // Writes the step that ran the item at `address`; returns false, after a note, once the
    // limit is reached: the run then goes on untraced.
    bool step(int address, const StackMachine& machine);
};
