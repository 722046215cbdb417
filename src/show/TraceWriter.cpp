// Writing the execution trace (see TraceWriter.h).
#include "show/TraceWriter.h"

#include <ostream>

#include "common/Errors.h"

TraceWriter::TraceWriter(const Poliz& poliz, std::vector<std::string> sourceLines, std::ostream& out,
                         std::int64_t limit)
    : text(poliz, std::move(sourceLines)), out(out), limit(limit) {}

void TraceWriter::run(StackMachine& machine) {
    try {
        bool tracing = limit != 0;
        while (tracing && !machine.finished()) {
            const int address = machine.pc();
            machine.step();
            tracing = step(address, machine);
        }
        machine.run();
    } catch (const RuntimeError&) {
        // The machine stays at the item that failed.
        if (limit != 0) out << text.failure(machine.pc()) << std::endl;
        throw;
    }
}

void TraceWriter::showOutput(WrittenText& program, bool terminal) {
    written = &program;
    sharedTerminal = terminal;
}

bool TraceWriter::step(int address, const StackMachine& machine) {
    if (limit >= 0 && steps == limit) {
        // Called for the step after the last one shown, so the note appears only when the
        // program really runs on.
        out << "-- trace stopped after " << steps << (steps == 1 ? " step" : " steps")
            << "; the program runs on\n";
        out.flush();
        return false;
    }
    ++steps;
    line.clear();
    if (text.lineOf(address) != shownLine) {
        shownLine = text.lineOf(address);
        line += text.header(shownLine);
        line += '\n';
    }
    text.appendStep(line, address, machine.stack(), machine.lastStored());
    if (written != nullptr) {
        std::size_t length = 0;
        const std::string output = written->take(length);
        if (length > 0) {
            line += "  output ";
            line += quotedEscaped(output);
            if (length > output.size()) {
                line += "... (";
                line += std::to_string(length);
                line += " bytes)";
            }
        }
        if (sharedTerminal && length > 0) {
            written->pubsync();
            // Written apart: g++ 12 warns falsely about inserting into `line`.
            if (!written->endsLine()) out << '\n';
        }
    }
    line += '\n';
    // One write per line, unbuffered: the trace up to a "read" is visible before the program
    // waits for its input, and the trace up to a runtime error precedes its message.
    out << line;
    out.flush();
    return true;
}
