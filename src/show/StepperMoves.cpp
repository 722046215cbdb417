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

// How many entries at the top of the stack the item at `address` may consume: "write" its
// count and its operands, any other item two at most (three, to spare).
std::size_t entriesTouched(const Poliz& poliz, int address, const std::vector<StackEntry>& stack) {
    constexpr std::size_t kMostPopped = 3;
    const bool write = poliz.operationAt(address) == Operation::WRITE;
    if (!write || stack.empty() || stack.back().kind != StackEntry::Kind::INT || stack.back().i < 0)
        return std::min(stack.size(), write ? stack.size() : kMostPopped);
    return std::min(stack.size(), static_cast<std::size_t>(stack.back().i) + 1);
}

}  // namespace

// The stack as it is, with copies of the computed strings among its top `touched` entries only;
// the others are marked as still on the machine's stack.
void Stepper::saveStackTop(StackMachine::SavedStack& into, const std::vector<StackEntry>& stack,
                           std::size_t touched) {
    into.entries = stack;
    std::size_t count = 0;
    const std::size_t firstTouched = stack.size() - touched;
    for (std::size_t k = 0; k < into.entries.size(); ++k) {
        StackEntry& e = into.entries[k];
        if (!e.ownsText()) continue;
        if (k < firstTouched) {
            e.slot = kLiveText;
            continue;
        }
        if (count == into.strings.size()) into.strings.emplace_back();
        into.strings[count] = *e.text;
        e.slot = static_cast<std::uint32_t>(count++);
        e.text = nullptr;
    }
    into.strings.resize(count);
}

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
    Record& record = newRecord();
    record.pc = address;
    saveStackTop(record.stack, machine.stack(), entriesTouched(poliz, address, machine.stack()));
    record.lastStored = machine.lastStored();
    record.stored = nullptr;
    record.replacedText.clear();
    record.inputPosition = input.position();
    record.outputLength = output.text().size();
    record.counted = 0;
    if (poliz.operationAt(address) == Operation::READ) {
        const auto& stack = machine.stack();
        const bool named = !stack.empty() && stack.back().kind == StackEntry::Kind::VARIABLE;
        inputPrompt = named ? "input for " + text.variableName(stack.back().variable) + "> " : "input> ";
    }

    try {
        machine.step();
    } catch (const RuntimeError& error) {
        if (asksAgain(error)) {
            // The line typed is forgotten, and the same read asks for another.
            undo(history.top());
            input.forget(record.inputPosition);
            popRecord();
            out << "Invalid input for '" << error.subject() << "': type it again.\n";
            return stepOnce(show);
        }
        showNewOutput();
        out << text.failure(address) << '\n';
        // The message is poliz's own, written by what writes it for poliz.
        status = reportErrors([&error]() -> int { throw error; });
        // The failed item stays the next one, with everything as it was before it ran.
        undo(history.top());
        shownOutput = std::min(shownOutput, output.text().size());
        popRecord();
        atError = true;
        out << kAtError;
        return false;
    }
    if (const Ident* stored = machine.lastStored()) recordStore(record, stored);
    record.counted = record.bytes();
    historyBytes += record.counted;
    forgetOldSteps();
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
    showBackAt(undone);
}

void Stepper::showBackAt(long undone) {
    if (undone == 0) return;
    announceLine();
    std::string line = "back at";
    text.appendStep(line, machine.pc(), machine.stack(), nullptr);
    out << line << '\n';
}

// Back over the items of the current line run in this pass, then over the line run before it,
// to its first item: where a "next" would have stopped.
void Stepper::backToLineStart() {
    long undone = 0;
    const auto sameLineBefore = [this](int line) {
        return !history.empty() && text.lineOf(history.top().pc) == line && history.top().pc < machine.pc();
    };
    const int current = machine.finished() ? -1 : text.lineOf(machine.pc());
    while (sameLineBefore(current) && backOnce()) ++undone;
    if (!history.empty()) {
        const int previous = text.lineOf(history.top().pc);
        do {
            if (!backOnce()) break;
            ++undone;
        } while (sameLineBefore(previous));
    }
    showBackAt(undone);
}

// Back to where a "continue" would last have stopped at a breakpoint: an arrival at one of
// their lines.
void Stepper::backToBreakpoint() {
    long undone = 0;
    while (backOnce()) {
        ++undone;
        const int line = text.lineOf(machine.pc());
        const bool arrived =
            history.empty() || text.lineOf(history.top().pc) != line || history.top().pc >= machine.pc();
        if (arrived && breakpoints.count(line) != 0) {
            shownLine = -1;
            showBackAt(undone);
            out << "Breakpoint at line " << line << ".\n";
            return;
        }
        if (interrupted()) {
            out << "Interrupted.\n";
            break;
        }
    }
    showBackAt(undone);
}

void Stepper::restart() {
    while (!history.empty()) popRecord();
    forgotForBytes = false;
    values = initial.values;
    machine.restore(initial);
    input.rewind(0);
    programIn.clear();
    output.takeBack(0);
    shownOutput = 0;
    shownLine = -1;
    atError = false;
    status = 0;
    out << "Started again; the program reads the same input again.\n";
    announceLine();
}

bool Stepper::asksAgain(const RuntimeError& error) const {
    return error.fault() == RuntimeFault::INVALID_INPUT && programInput == nullptr && !echo;
}

bool Stepper::backOnce() {
    if (history.empty()) {
        if (forgotForBytes)
            out << "No earlier step is remembered: older ones were forgotten to keep the history within "
                << (kHistoryBytes >> 20) << " MiB.\n";
        else if (history.dropped())
            out << "No earlier step is remembered: only the last " << kHistoryLimit << " are.\n";
        else
            out << "This is the start of the program.\n";
        return false;
    }
    const Record& before = history.top();
    if (input.position() != before.inputPosition)
        out << "input to read again: " << quotedEscaped(input.between(before.inputPosition, input.position()))
            << '\n';
    const std::string& written = output.text();
    if (written.size() > before.outputLength)
        out << "output taken back: " << quotedEscaped(std::string_view(written).substr(before.outputLength))
            << '\n';
    undo(before);
    shownOutput = before.outputLength;
    popRecord();
    atError = false;
    status = 0;
    return true;
}

// Puts the machine, the input and the output back as they were before `step`.
void Stepper::undo(const Record& step) {
    // The stack's texts first: one of them may be the stored variable's value after the step.
    StackMachine::SavedStack stack;
    stack.entries = step.stack.entries;
    stack.strings = step.stack.strings;
    const auto& live = machine.stack();
    for (std::size_t k = 0; k < stack.entries.size(); ++k) {
        StackEntry& e = stack.entries[k];
        if (e.slot == kLiveText) {
            stack.strings.push_back(*live[k].text);
        } else if (e.slot == kStoredText) {
            stack.strings.push_back(values[variableIndex.at(step.stored)].valueString);
        } else {
            continue;
        }
        e.slot = static_cast<std::uint32_t>(stack.strings.size() - 1);
    }
    if (step.stored != nullptr) {
        Ident::Saved& value = values[variableIndex.at(step.stored)];
        value.num = step.numberBefore;
        std::string& text = value.valueString;
        text.replace(step.keptPrefix, text.size() - step.keptPrefix - step.keptSuffix, step.replacedText);
    }
    machine.restore({step.pc, stack, values, step.lastStored});
    input.rewind(step.inputPosition);
    programIn.clear();
    output.takeBack(step.outputLength);
}

// Keeps of the variable's value before the step only what the step replaced, and leaves out
// a stack text that the step stored into it.
void Stepper::recordStore(Record& record, const Ident* stored) {
    Ident::Saved& value = values[variableIndex.at(stored)];
    Ident::Saved after = stored->save();
    const std::string& before = value.valueString;
    const std::string& now = after.valueString;
    const std::size_t shorter = std::min(before.size(), now.size());
    // Appending is the common change, and memcmp finds it fastest.
    std::size_t prefix = now.compare(0, before.size(), before) == 0 ? before.size() : 0;
    while (prefix < shorter && before[prefix] == now[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    record.stored = stored;
    record.numberBefore = value.num;
    record.keptPrefix = prefix;
    record.keptSuffix = suffix;
    record.replacedText.assign(before, prefix, before.size() - prefix - suffix);
    for (StackEntry& e : record.stack.entries) {
        if (!e.ownsText() || e.slot == kLiveText || e.slot == kStoredText) continue;
        std::string& saved = record.stack.strings[e.slot];
        if (saved.size() != now.size() || saved != now) continue;
        e.slot = kStoredText;
        std::string().swap(saved);
    }
    value = std::move(after);
}

Stepper::Record& Stepper::newRecord() {
    if (history.size() == kHistoryLimit) {
        Record& oldest = history.bottom();
        historyBytes -= oldest.counted;
        oldest.release();
        history.dropBottom();
    }
    return history.push();
}

void Stepper::forgetOldSteps() {
    while (historyBytes > kHistoryBytes && history.size() > 1) {
        Record& oldest = history.bottom();
        historyBytes -= oldest.counted;
        oldest.release();
        history.dropBottom();
        forgotForBytes = true;
    }
}

void Stepper::popRecord() {
    Record& top = history.top();
    historyBytes -= top.counted;
    top.release();
    history.pop();
}

std::size_t Stepper::Record::bytes() const {
    std::size_t total = sizeof(Record) + stack.entries.capacity() * sizeof(StackEntry) +
                        stack.strings.capacity() * sizeof(std::string) + replacedText.capacity();
    for (const std::string& s : stack.strings) total += s.capacity();
    return total;
}

void Stepper::Record::release() {
    constexpr std::size_t kSmall = 256;
    for (std::string& s : stack.strings)
        if (s.capacity() > kSmall) std::string().swap(s);
    if (replacedText.capacity() > kSmall) std::string().swap(replacedText);
    if (stack.entries.capacity() > kSmall) std::vector<StackEntry>().swap(stack.entries);
}
