// Entry points of a run: decode the items once, then hand them to the stack machine.
#include <iostream>

#include "fast/Instr.h"
#include "fast/Machine.h"
#include "poliz/Poliz.h"

void Poliz::go() { go(std::cin, std::cout); }

void Poliz::go(std::istream& in, std::ostream& out) { go(in, out, RunOptions{}); }

void Poliz::go(std::istream& in, std::ostream& out, const RunOptions& options) {
    Machine machine(size(), in, out);
    try {
        int pc = 0;
        if (options.tracer) pc = machine.runTraced(decode(*this, false), 0, *options.tracer);
        // A tracer that stops early leaves the rest to the untraced loop; instruction i stands
        // for item i in both forms, so the run resumes at the same place.
        if (pc < size()) {
            const Program program = decode(*this, options.fuse);
            machine.run(program, pc);
        }
    } catch (const MalformedItem& bad) {
        machine.flushOutput();
        throw RuntimeError(bad.before + at(bad.address)->getString() + bad.after);
    } catch (...) {
        // Output written before an error stays written, ahead of the driver's message.
        machine.flushOutput();
        throw;
    }
    machine.flushOutput();
}
