// Entry points of a run: decode the items once, then hand them to the stack machine.
#include <iostream>

#include "fast/Instr.h"
#include "fast/Machine.h"
#include "poliz/Poliz.h"

void Poliz::go() { go(std::cin, std::cout); }

void Poliz::go(std::istream& in, std::ostream& out) { go(in, out, RunOptions{}); }

void Poliz::go(std::istream& in, std::ostream& out, const RunOptions& options) {
    Machine machine(in, out);
    try {
        if (options.tracer) {
            // A tracer that stops early leaves the rest to the untraced loop, at the same item.
            const Program plain = decode(*this, false);
            const int pc = machine.runTraced(plain, 0, *options.tracer);
            if (pc < size()) machine.run(plain, pc);
        } else {
            const Program program = decode(*this, options.fuse);
            machine.run(program, 0);
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
