// The stack machine's dealings with the outside: formatted input for "read", the text of values
// for "write", and the output buffer.
#include <charconv>
#include <cstdio>
#include <istream>
#include <ostream>
#include <utility>

#include "common/CheckedOutput.h"
#include "common/Errors.h"
#include "fast/Machine.h"

namespace {

void appendInt(std::string& dst, std::int32_t v) {
    char text[16];
    auto end = std::to_chars(text, text + sizeof text, v).ptr;
    dst.append(text, end);
}

void appendReal(std::string& dst, float v) {
    char text[32];
    int length = std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    dst.append(text, static_cast<std::size_t>(length));
}

}  // namespace

// The text "write" prints for a value at depth d; a variable's value is fetched here.
void Machine::appendText(std::string& dst, const Value& v, std::size_t d) const {
    switch (v.slot) {
        case Slot::INT:
        case Slot::LABEL: appendInt(dst, v.i); break;
        case Slot::REAL: appendReal(dst, v.r); break;
        case Slot::STR_CONST: dst += *v.str; break;
        case Slot::STR_TEMP: dst += temps[d]; break;
        case Slot::VAR_INT: appendInt(dst, assignedVariable(v).rawInt()); break;
        case Slot::VAR_REAL: appendReal(dst, assignedVariable(v).rawReal()); break;
        case Slot::VAR_STRING: dst += assignedVariable(v).rawString(); break;
        case Slot::VAR_NONE: assignedVariable(v); break;  // a variable without a type prints nothing
    }
}

// "read": formatted input of the variable's type. Pending output is shown first, so a prompt is
// visible before the program waits.
void Machine::read(int address) {
    need(1, address);
    const Value v = *--sp;
    if (!isVariable(v.slot)) fail("'read' at address " + std::to_string(address) + " needs a variable!");
    Ident& var = *v.var;
    flushOutput();
    auto endOfInput = [&var] {
        return RuntimeError("Unexpected end of input for '" + var.getString() + "'!");
    };
    auto invalidInput = [&var] { return RuntimeError("Invalid input for '" + var.getString() + "'!"); };
    switch (v.slot) {
        case Slot::VAR_INT:
        case Slot::VAR_REAL: {
            // Only blanks (line breaks included) before the end is an exhausted input; anything
            // else that is not a number of the type, or out of its range, is invalid.
            in >> std::ws;
            if (in.peek() == std::char_traits<char>::eof()) throw endOfInput();
            if (v.slot == Slot::VAR_INT) {
                std::int32_t value = 0;
                if (!(in >> value)) throw invalidInput();
                var.assign(value);
            } else {
                float value = 0.0f;
                if (!(in >> value)) throw invalidInput();
                var.assign(value);
            }
            break;
        }
        case Slot::VAR_STRING:
            do {
                if (!std::getline(in, lineBuf)) throw endOfInput();
            } while (lineBuf.empty());
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
    if (n < 0) fail("'write' at address " + std::to_string(address) + " has a negative item count!");
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
    if (outBuf.size() >= kOutputChunk) {
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
