// The stack machine's dealings with the outside: "read" through the runtime's input rules, the
// text of values for "write", and the output buffer.
#include <ostream>
#include <utility>

#include "common/CheckedOutput.h"
#include "fast/Machine.h"
#include "runtime/ProgramInput.h"

// The text "write" prints for a value at depth d; a variable's value is fetched here.
void Machine::appendText(std::string& dst, const Value& v, std::size_t d) const {
    switch (v.slot) {
        case Slot::INT:
        case Slot::LABEL: appendIntText(dst, v.i); break;
        case Slot::REAL: appendRealText(dst, v.r); break;
        case Slot::STR_CONST: dst += *v.str; break;
        case Slot::STR_TEMP: dst += temps[d]; break;
        case Slot::VAR_INT: appendIntText(dst, assignedVariable(v).rawInt()); break;
        case Slot::VAR_REAL: appendRealText(dst, assignedVariable(v).rawReal()); break;
        case Slot::VAR_STRING: dst += assignedVariable(v).rawString(); break;
        case Slot::VAR_NONE: assignedVariable(v); break;  // a variable without a type prints nothing
    }
}

// "read": formatted input of the variable's type. Pending output is shown first, so a prompt is
// visible before the program waits.
void Machine::read(int address) {
    need(1, address);
    const Value v = *--sp;
    if (!isVariable(v.slot)) throw rtmsg::readNeedsVariable(itemAddress(address));
    Ident& var = *v.var;
    flushOutput();
    switch (v.slot) {
        case Slot::VAR_INT: var.assign(readIntInput(in, var.getString())); break;
        case Slot::VAR_REAL: var.assign(readRealInput(in, var.getString())); break;
        case Slot::VAR_STRING:
            readLineInput(in, lineBuf, var.getString());
            std::swap(var.stringSlot(), lineBuf);
            var.markAssigned();
            break;
        default: mismatch(address);
    }
}

// "write": the count, then that many values printed in the order they were pushed.
void Machine::write(int address) {
    need(1, address);
    const Value count = *--sp;
    const std::int32_t n = intOf(count, address);
    if (n < 0) throw rtmsg::negativeWriteCount(itemAddress(address));
    need(static_cast<std::size_t>(n), address);
    const std::size_t first = depth() - static_cast<std::size_t>(n);
#ifdef POLIZ_STEP_BUDGET
    const std::size_t before = outBuf.size();
#endif
    for (std::size_t k = first; k < depth(); ++k) appendText(outBuf, base[k], k);
#ifdef POLIZ_STEP_BUDGET
    chargeStrings(outBuf.size() - before);
#endif
    sp = base + first;
    if (outBuf.size() >= outputChunk) {
        out.write(outBuf.data(), static_cast<std::streamsize>(outBuf.size()));
        outBuf.clear();
        checkWritten(out);
    }
}

void Machine::flushOutput() {
    if (!outBuf.empty()) {
        out.write(outBuf.data(), static_cast<std::streamsize>(outBuf.size()));
        outBuf.clear();
    }
    out.flush();
    checkWritten(out);
}
