// The hook through which an execution trace watches the stack machine, one executed item at a
// time. The machine compiles its loop twice, with and without the hook, so an untraced run pays
// nothing for it.
#pragma once

#include <string>
#include <vector>

#include "lexemes/Ident.h"

// One operand stack entry as the trace shows it.
struct TraceEntry {
    enum class Kind { INT, REAL, STRING, LABEL, VARIABLE };
    Kind kind;
    const Ident* variable = nullptr;  // VARIABLE: the variable the entry refers to
    bool hasValue = true;             // false for a variable never assigned
    std::string text;                 // the value as "write" prints it; a label's address
};

class PolizTracer {
public:
    // Called after the item at `address` has run (every item, no fused steps), with the operand
    // stack bottom first. Returning false ends tracing: the run goes on untraced at full speed.
    virtual bool step(int address, const std::vector<TraceEntry>& stack) = 0;

protected:
    ~PolizTracer() = default;
};
