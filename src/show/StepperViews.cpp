// What the stepper shows on request: variables, the stack, the source with the items of the
// current line, the program's output and the breakpoints (see Stepper.h).
#include <algorithm>

#include "show/SourceLines.h"
#include "show/Stepper.h"

namespace {

constexpr int kListedAround = 5;  // source lines listed before and after the current one

// A line number of plain digits; 0 for anything else.
int lineNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) return 0;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

void Stepper::print(const std::string& name) {
    bool found = false;
    for (const Ident* variable : machine.variables()) {
        const std::string shownName = text.variableName(variable);
        // Without a name, the program's own variables; temporaries only when asked for.
        if (name.empty() ? variable->getString().empty() : shownName != name) continue;
        std::string line;
        text.appendVariable(line, variable);
        out << line << '\n';
        found = true;
    }
    if (found) return;
    if (name.empty())
        out << "The program's items use no named variable.\n";
    else
        out << "No variable '" << name << "' is used by the program's items.\n";
}

void Stepper::showStack() {
    const auto& stack = machine.stack();
    if (stack.empty()) {
        out << "The stack is empty.\n";
        return;
    }
    for (auto entry = stack.rbegin(); entry != stack.rend(); ++entry) {
        std::string line = entry == stack.rbegin() ? "top  " : "     ";
        text.appendEntry(line, *entry);
        out << line << '\n';
    }
}

void Stepper::list() {
    const std::vector<std::string>& source = text.source();
    const bool ended = machine.finished();
    const int current = poliz.size() == 0 ? 0 : text.lineOf(ended ? poliz.size() - 1 : machine.pc());
    if (current < 1 || static_cast<std::size_t>(current) > source.size()) {
        out << "No source line to show.\n";
        return;
    }
    const int first = std::max(1, current - kListedAround);
    const int last = std::min(static_cast<int>(source.size()), current + kListedAround);
    const std::size_t width = std::to_string(last).size();
    for (int line = first; line <= last; ++line) {
        const std::string number = std::to_string(line);
        std::string row = breakpoints.count(line) != 0 ? "*" : " ";
        row += line == current ? "->" : "  ";
        row.append(width - number.size() + 1, ' ');
        std::string sourceLine = source[static_cast<std::size_t>(line) - 1];
        if (!sourceLine.empty() && sourceLine.back() == '\r') sourceLine.pop_back();  // Windows line ends
        row += number + "  " + printableSource(sourceLine);
        out << row << '\n';
        if (line == current && !ended) listItemsAround(machine.pc(), width);
    }
    if (ended) out << "The program has run to its end.\n";
}

// The items of the current line that stand together around the next one, which is marked.
void Stepper::listItemsAround(int pc, std::size_t width) {
    const int line = text.lineOf(pc);
    int first = pc;
    while (first > 0 && text.lineOf(first - 1) == line) --first;
    int last = pc;
    while (last + 1 < poliz.size() && text.lineOf(last + 1) == line) ++last;
    for (int address = first; address <= last; ++address) {
        std::string item(width + 3, ' ');
        item += address == pc ? "=>" : "  ";
        text.appendItem(item, address);
        item.erase(item.find_last_not_of(' ') + 1);
        out << item << '\n';
    }
}

void Stepper::showOutput() {
    const std::string& written = output.text();
    if (written.empty()) {
        out << "The program has written nothing yet.\n";
        return;
    }
    out << written;
    if (written.back() != '\n') out << '\n';
}

void Stepper::setBreakpoint(const std::string& argument) {
    const int wanted = lineNumber(argument);
    if (wanted == 0) {
        out << "'break' takes a line number, not '" << argument << "'.\n";
        return;
    }
    // The first line at or after the one asked for that items came from, as debuggers do for
    // a line without code (a declaration, a comment, a brace).
    int line = 0;
    for (int address = 0; address < poliz.size(); ++address) {
        const int itemLine = text.lineOf(address);
        if (itemLine >= wanted && (line == 0 || itemLine < line)) line = itemLine;
    }
    if (line == 0) {
        out << "No items come from line " << wanted << " or after it.\n";
        return;
    }
    breakpoints.insert(line);
    if (line != wanted)
        out << "Line " << wanted << " has no items of its own: breakpoint at line " << line << ".\n";
    else
        out << "Breakpoint at line " << line << ".\n";
}

void Stepper::clearBreakpoint(const std::string& argument) {
    if (argument.empty()) {
        breakpoints.clear();
        out << "No breakpoints now.\n";
        return;
    }
    const int line = lineNumber(argument);
    if (line == 0) {
        out << "'clear' takes a line number, not '" << argument << "'.\n";
    } else if (breakpoints.erase(line) == 0) {
        out << "No breakpoint at line " << line << ".\n";
    } else {
        out << "Breakpoint at line " << line << " cleared.\n";
    }
}

void Stepper::listBreakpoints() {
    if (breakpoints.empty()) {
        out << "No breakpoints.\n";
        return;
    }
    out << (breakpoints.size() == 1 ? "Breakpoint at line" : "Breakpoints at lines");
    const char* separator = " ";
    for (const int line : breakpoints) {
        out << separator << line;
        separator = ", ";
    }
    out << ".\n";
}
