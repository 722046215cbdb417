// Writing the execution trace (see TraceWriter.h).
#include "show/TraceWriter.h"

#include <algorithm>
#include <ostream>

#include "lexemes/NumberText.h"

namespace {

constexpr std::size_t kKindColumn = 8;      // "variable", the longest kind
constexpr std::size_t kMaxTextColumn = 16;  // longer item texts do not widen every line
// Only the top of a deep stack is shown: expression statements in a loop leave one value per
// round on it, and a line that grows with every round helps nobody.
constexpr std::size_t kShownEntries = 8;

void appendPadded(std::string& dst, const std::string& text, std::size_t width) {
    dst += text;
    if (text.size() < width) dst.append(width - text.size(), ' ');
}

}  // namespace

TraceWriter::TraceWriter(const Poliz& poliz, std::ostream& out, std::int64_t limit)
    : poliz(poliz), items(poliz), out(out), limit(limit) {
    addressColumn = std::to_string(std::max(poliz.size() - 1, 0)).size();
    textColumn = 0;
    for (int address = 0; address < poliz.size(); ++address)
        textColumn =
            std::max(textColumn, items.text(poliz.at(address), PolizItemText::Strings::ESCAPED).size());
    textColumn = std::min(textColumn, kMaxTextColumn);
}

bool TraceWriter::step(int address, const std::vector<StackEntry>& stack) {
    if (limit >= 0 && steps == limit) {
        // Called for the step after the last one shown, so the note appears only when the
        // program really runs on.
        out << "-- trace stopped after " << steps << (steps == 1 ? " step" : " steps")
            << "; the program runs on\n";
        out.flush();
        return false;
    }
    ++steps;
    const Lex* item = poliz.at(address);
    const std::string number = std::to_string(address);
    line.assign(addressColumn - std::min(addressColumn, number.size()), ' ');
    line += number;
    line += "  ";
    appendPadded(line, PolizItemText::kindName(item), kKindColumn);
    line += "  ";
    appendPadded(line, items.text(item, PolizItemText::Strings::ESCAPED), textColumn);
    line += "  [";
    std::size_t first = 0;
    if (stack.size() > kShownEntries) {
        first = stack.size() - kShownEntries;
        line += '(';
        line += std::to_string(first);
        line += " more) ";
    }
    for (std::size_t k = first; k < stack.size(); ++k) {
        if (k > first) line += ' ';
        appendEntry(stack[k]);
    }
    line += "]\n";
    // One write per line, unbuffered: the trace up to a "read" is visible before the program
    // waits for its input, and the trace up to a runtime error precedes its message.
    out << line;
    out.flush();
    return true;
}

// An entry as name=value:type for a variable ("?" for no value yet), value:type for a value,
// ->N for a label; strings quoted, so that a string "+" does not read as the operator.
void TraceWriter::appendEntry(const StackEntry& entry) {
    switch (entry.kind) {
        case StackEntry::Kind::LABEL:
            line += "->";
            line += std::to_string(entry.i);
            return;
        case StackEntry::Kind::VARIABLE: {
            const Ident& variable = *entry.variable;
            line += items.variableName(&variable);
            line += '=';
            if (!variable.isAssigned())
                line += '?';
            else if (variable.valueType() == ValueType::STRING)
                line += quotedEscaped(variable.rawString());
            else
                line += variable.getStringVal();
            line += ':';
            line += variable.typeName();
            return;
        }
        case StackEntry::Kind::INT: line += std::to_string(entry.i) + ":int"; return;
        case StackEntry::Kind::REAL: line += realToText(entry.r) + ":real"; return;
        case StackEntry::Kind::STRING: line += quotedEscaped(entry.s) + ":string"; return;
    }
}
