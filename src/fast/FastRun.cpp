// The entry point of a run: decode the items once, then hand them to the stack machine.
#include "fast/FastRun.h"

#include "fast/Instr.h"
#include "fast/Machine.h"
#include "poliz/Poliz.h"

void runFast(const Poliz& poliz, std::istream& in, std::ostream& out, const RunOptions& options) {
    Machine machine(in, out, options.outputChunk);
    try {
        Program program = decode(poliz, options.fuse);
        machine.run(program, 0);
    } catch (const MalformedItem& bad) {
        machine.flushOutput();
        // Only a program without the translator's record is malformed, and its instructions
        // are its items, so the address is an item's.
        const std::string item = bad.address < poliz.size() ? poliz.at(bad.address)->getString() : "";
        throw bad.message(item, bad.address);
    } catch (...) {
        // Output written before an error stays written, ahead of the driver's message.
        machine.flushOutput();
        throw;
    }
    machine.flushOutput();
}
