// Writing the execution trace (see TraceWriter.h).
#include "show/TraceWriter.h"

#include <algorithm>
#include <ostream>

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

const char* typeOf(const TraceEntry& entry) {
    switch (entry.kind) {
        case TraceEntry::Kind::INT: return "int";
        case TraceEntry::Kind::REAL: return "real";
        case TraceEntry::Kind::STRING: return "string";
        case TraceEntry::Kind::LABEL:
        case TraceEntry::Kind::VARIABLE: break;
    }
    return entry.variable ? entry.variable->typeName().c_str() : "";
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

bool TraceWriter::step(int address, const std::vector<TraceEntry>& stack) {
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

void TraceWriter::appendEntry(const TraceEntry& entry) {
    if (entry.kind == TraceEntry::Kind::LABEL) {
        line += "->";
        line += entry.text;
        return;
    }
    if (entry.kind == TraceEntry::Kind::VARIABLE) {
        line += items.variableName(entry.variable);
        line += '=';
    }
    const std::string type = typeOf(entry);
    if (!entry.hasValue) {
        line += "?";
    } else if (type == "string") {
        line += quotedEscaped(entry.text);
    } else {
        line += entry.text;
    }
    line += ':';
    line += type;
}
