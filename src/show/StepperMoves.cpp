// The stepper's moves: forward by items, lines or to a breakpoint, and back (see Stepper.h).
// Before every step the machine's state and the positions in the program's input and output
// are recorded; stepping back restores them, so a "read" reads the same characters again and a
// "write" takes back what it wrote.
#include <algorithm>

#include "common/Errors.h"
#include "common/ReportErrors.h"
#include "poliz/PolizItemText.h"
#include "show/Stepper.h"

namespace {

constexpr const char* kAtEnd = "The program has run to its end; 'b' steps back, 'q' quits.\n";
constexpr const char* kAtError = "The program has stopped at a runtime error; 'b' steps back, 'q' quits.\n";

}  // namespace

bool Stepper::cannotMove() {
    if (atError) {
        out << kAtError;
        return true;
    }
    if (machine.finished()) {
        out << kAtEnd;
        return true;
    }
    return false;
}

void Stepper::forward(Until until, long count) {
    for (long k = 0; k < count; ++k) {
        if (cannotMove()) return;
        for (;;) {
            const int from = machine.pc();
            if (!stepOnce(until != Until::BREAKPOINT)) return;
            if (machine.finished()) {
                out << kAtEnd;
                return;
            }
            if (interrupted()) {
                shownLine = -1;  // headers were not shown on the way here
                announceLine();
                out << "Interrupted.\n";
                return;
            }
            if (until == Until::ONE_STEP) break;
            if (arrivedAtLine(from)) {
                if (until == Until::NEXT_LINE) break;
                if (breakpoints.count(text.lineOf(machine.pc())) != 0) {
                    shownLine = -1;
                    announceLine();
                    out << "Breakpoint at line " << text.lineOf(machine.pc()) << ".\n";
                    return;
                }
            }
        }
    }
    announceLine();
}

// Whether the step from the item at `from` entered a source line: another line, or this
// line's own start again when a loop on one line jumps back.
bool Stepper::arrivedAtLine(int from) const {
    const int to = machine.pc();
    return text.lineOf(to) != text.lineOf(from) || to <= from;
}

bool Stepper::stepOnce(bool show) {
    const int address = machine.pc();
    Record& record = history.push();
    record.pc = address;
    machine.saveStack(record.stack);  // into the slot's own vectors: no allocation once warm
    record.lastStored = machine.lastStored();
    record.stored = nullptr;
    record.inputPosition = input.position();
    record.outputLength = output.text().size();
    if (poliz.at(address)->isEqual("read")) {
        const auto& stack = machine.stack();
        const bool named = !stack.empty() && stack.back().kind == StackEntry::Kind::VARIABLE;
        inputPrompt = named ? "input for " + text.variableName(stack.back().variable) + "> " : "input> ";
    }

    try {
        machine.step();
    } catch (const RuntimeError& error) {
        showNewOutput();
        out << text.failure(address) << '\n';
        // The message is poliz's own, written by what writes it for poliz.
        status = reportErrors([&error]() -> int { throw error; });
        // The failed item stays the next one, with everything as it was before it ran.
        undo(history.top());
        shownOutput = std::min(shownOutput, output.text().size());
        history.pop();
        atError = true;
        out << kAtError;
        return false;
    }
    if (const Ident* stored = machine.lastStored()) {
        Ident::Saved& value = values[variableIndex.at(stored)];
        record.stored = stored;
        std::swap(record.storedBefore, value);
        value = stored->save();
    }
    if (show) {
        std::string line;
        if (text.lineOf(address) != shownLine) {
            shownLine = text.lineOf(address);
            line = text.header(shownLine) + '\n';
        }
        text.appendStep(line, address, machine.stack(), machine.lastStored());
        out << line << '\n';
    }
    showNewOutput();
    return true;
}

void Stepper::showNewOutput() {
    const std::string& written = output.text();
    if (written.size() <= shownOutput) return;
    out << "output: " << quotedEscaped(std::string_view(written).substr(shownOutput)) << '\n';
    shownOutput = written.size();
}

void Stepper::announceLine() {
    if (machine.finished()) return;
    const int line = text.lineOf(machine.pc());
    if (line == shownLine) return;
    shownLine = line;
    out << text.header(line) << '\n';
}

void Stepper::back(long count) {
    long undone = 0;
    while (undone < count && backOnce()) ++undone;
    if (undone == 0) return;
    announceLine();
    std::string line = "back at";
    text.appendStep(line, machine.pc(), machine.stack(), nullptr);
    out << line << '\n';
}

bool Stepper::backOnce() {
    if (history.empty()) {
        if (history.dropped())
            out << "No earlier step is remembered: only the last " << kHistoryLimit << " are.\n";
        else
            out << "This is the start of the program.\n";
        return false;
    }
    const Record& before = history.top();  // its slot stays as it is until the next push
    history.pop();
    if (input.position() != before.inputPosition)
        out << "input to read again: " << quotedEscaped(input.between(before.inputPosition, input.position()))
            << '\n';
    const std::string& written = output.text();
    if (written.size() > before.outputLength)
        out << "output taken back: " << quotedEscaped(std::string_view(written).substr(before.outputLength))
            << '\n';
    undo(before);
    shownOutput = before.outputLength;
    atError = false;
    status = 0;
    return true;
}

// Puts the machine, the input and the output back as they were before `step`.
void Stepper::undo(const Record& step) {
    if (step.stored != nullptr) values[variableIndex.at(step.stored)] = step.storedBefore;
    machine.restore({step.pc, step.stack, values, step.lastStored});
    input.rewind(step.inputPosition);
    programIn.clear();
    output.takeBack(step.outputLength);
}
