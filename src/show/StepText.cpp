// The text of a run's steps (see StepText.h).
#include "show/StepText.h"

#include <algorithm>

#include "runtime/NumberText.h"
#include "show/SourceLines.h"

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

StepText::StepText(const Poliz& poliz, std::vector<std::string> sourceLines)
    : poliz(poliz), items(poliz), sourceLines(std::move(sourceLines)) {
    addressColumn = std::to_string(std::max(poliz.size() - 1, 0)).size();
    textColumn = 0;
    for (int address = 0; address < poliz.size(); ++address)
        textColumn =
            std::max(textColumn, items.text(poliz.at(address), PolizItemText::Strings::ESCAPED).size());
    textColumn = std::min(textColumn, kMaxTextColumn);
}

std::string StepText::header(int line) const { return lineHeader(line, sourceLines); }

void StepText::appendItem(std::string& dst, int address) const {
    const Lex* item = poliz.at(address);
    const std::string number = std::to_string(address);
    dst += "  ";
    dst.append(addressColumn - std::min(addressColumn, number.size()), ' ');
    dst += number;
    dst += "  ";
    appendPadded(dst, PolizItemText::kindName(item), kKindColumn);
    dst += "  ";
    appendPadded(dst, items.text(item, PolizItemText::Strings::ESCAPED), textColumn);
}

void StepText::appendStep(std::string& dst, int address, const std::vector<StackEntry>& stack,
                          const Ident* stored) const {
    appendItem(dst, address);
    dst += "  [";
    std::size_t first = 0;
    if (stack.size() > kShownEntries) {
        first = stack.size() - kShownEntries;
        dst += '(';
        dst += std::to_string(first);
        dst += " more) ";
    }
    for (std::size_t k = first; k < stack.size(); ++k) {
        if (k > first) dst += ' ';
        appendEntry(dst, stack[k]);
    }
    dst += ']';
    // "=" leaves its variable on the stack for all to see; "read" leaves nothing there.
    if (stored != nullptr && poliz.operationAt(address) == Operation::READ) {
        dst += "  read ";
        appendVariable(dst, stored);
    }
}

void StepText::appendEntry(std::string& dst, const StackEntry& entry) const {
    switch (entry.kind) {
        case StackEntry::Kind::LABEL:
            dst += "->";
            dst += std::to_string(entry.i);
            return;
        case StackEntry::Kind::VARIABLE: appendVariable(dst, entry.variable); return;
        case StackEntry::Kind::INT: dst += std::to_string(entry.i) + ":int"; return;
        case StackEntry::Kind::REAL: dst += realToText(entry.r) + ":real"; return;
        case StackEntry::Kind::STRING: dst += quotedEscaped(*entry.text) + ":string"; return;
    }
}

void StepText::appendVariable(std::string& dst, const Ident* variable) const {
    dst += items.variableName(variable);
    dst += '=';
    if (!variable->isAssigned())
        dst += '?';
    else if (variable->valueType() == ValueType::STRING)
        dst += quotedEscaped(variable->rawString());
    else
        dst += variable->getStringVal();
    dst += ':';
    dst += variable->typeName();
}

std::string StepText::failure(int address) const {
    const Lex* item = poliz.at(address);
    return "-- failed at item " + std::to_string(address) + " (" + PolizItemText::kindName(item) + " " +
           items.text(item, PolizItemText::Strings::ESCAPED) + ") on line " + std::to_string(lineOf(address));
}
