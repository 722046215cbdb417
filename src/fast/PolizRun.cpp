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
        Program program = decode(*this, options.fuse);
        machine.run(program, 0);
    } catch (const MalformedItem& bad) {
        machine.flushOutput();
        // Only a program without the translator's record is malformed, and its instructions
        // are its items, so the address is an item's.
        const std::string item = bad.address < size() ? at(bad.address)->getString() : "";
        throw RuntimeError(bad.before + item + bad.after);
    } catch (...) {
        // Output written before an error stays written, ahead of the driver's message.
        machine.flushOutput();
        throw;
    }
    machine.flushOutput();
}
