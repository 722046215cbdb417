// How a run reads as text, shared by the trace and the stepper: one line per executed item
// (address, kind, text, the operand stack after it), the headers that name the source line,
// and the note on an item that failed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "machine/StackMachine.h"
#include "poliz/PolizItemText.h"

class StepText {
    const Poliz& poliz;
    const PolizItemText items;
    const std::vector<std::string> sourceLines;
    std::size_t addressColumn;
    std::size_t textColumn;

public:
    StepText(const Poliz& poliz, std::vector<std::string> sourceLines);

    // The line the item at `address` came from; 0 past the last item.
    int lineOf(int address) const { return address < poliz.size() ? poliz.lineOf(address) : 0; }
    // "line N: TEXT" (see SourceLines.h).
    std::string header(int line) const;
    const std::vector<std::string>& source() const { return sourceLines; }

    // "  12  operator  write    ": the item, indented under its header, its text padded so
    // that what follows lines up.
    void appendItem(std::string& dst, int address) const;
    // The item, then the stack after it in brackets, bottom first (only the top entries of a
    // deep one), then, for a "read", the variable with the value it took. No line break.
    void appendStep(std::string& dst, int address, const std::vector<StackEntry>& stack,
                    const Ident* stored) const;
    // An entry as name=value:type for a variable ("?" for no value yet), value:type for a
    // value, ->N for a label; strings quoted, so that a string "+" does not read as the operator.
    void appendEntry(std::string& dst, const StackEntry& entry) const;
    void appendVariable(std::string& dst, const Ident* variable) const;
    // "-- failed at item 5 (operator =) on line 3": what precedes a runtime error's message.
    std::string failure(int address) const;
    std::string variableName(const Ident* variable) const { return items.variableName(variable); }
};
