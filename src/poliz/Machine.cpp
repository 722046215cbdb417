// The run loop and the operations of the stack machine. Every operator pops op1 (the top, the
// right operand) and then op2; values are fetched in the order the language fixes, because it
// decides which unassigned variable an error names.
#include "poliz/Machine.h"

#include <charconv>
#include <cstdio>
#include <istream>
#include <ostream>
#include <utility>

#include "driver/Errors.h"
#include "lexemes/NumberText.h"
#include "poliz/Poliz.h"

namespace {

// Output is handed to the stream in chunks of about this size.
constexpr std::size_t kOutputChunk = 1 << 15;

// 32-bit arithmetic that wraps: computed on unsigned values, converted back modulo 2^32.
std::int32_t wrap(std::uint32_t v) { return static_cast<std::int32_t>(v); }
std::uint32_t bits(std::int32_t v) { return static_cast<std::uint32_t>(v); }

bool isNumeric(ValueType t) { return t == ValueType::INT || t == ValueType::REAL; }

const Ident& assignedVar(const Value& v) {
    if (!v.var->isAssigned()) v.var->throwUnassigned();
    return *v.var;
}

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

// The comparison words share one body; each compares op2 (left) with op1 (right) as ints,
// floats or byte strings. Floats keep IEEE semantics: with a NaN only "!=" holds.
struct Less {
    template <class T>
    bool operator()(const T& a, const T& b) const { return a < b; }
};
struct Greater {
    template <class T>
    bool operator()(const T& a, const T& b) const { return a > b; }
};
struct LessEq {
    template <class T>
    bool operator()(const T& a, const T& b) const { return a <= b; }
};
struct GreaterEq {
    template <class T>
    bool operator()(const T& a, const T& b) const { return a >= b; }
};
struct Equal {
    template <class T>
    bool operator()(const T& a, const T& b) const { return a == b; }
};
struct NotEqual {
    template <class T>
    bool operator()(const T& a, const T& b) const { return a != b; }
};

}  // namespace

Machine::Machine(const Poliz& poliz, std::istream& in, std::ostream& out) : poliz(poliz), in(in), out(out) {
    stack.resize(64);
    outBuf.reserve(kOutputChunk + 256);
}

void Machine::run(const std::vector<Instr>& prog, int pc) {
    loop<false>(prog.data(), static_cast<int>(prog.size()), pc, nullptr);
}

int Machine::runTraced(const std::vector<Instr>& prog, int pc, PolizTracer& tracer) {
    return loop<true>(prog.data(), static_cast<int>(prog.size()), pc, &tracer);
}

template <bool kTraced>
int Machine::loop(const Instr* prog, int n, int pc, PolizTracer* tracer) {
#ifdef POLIZ_STEP_BUDGET
    long long steps = 0;
#endif
    while (pc < n) {
#ifdef POLIZ_STEP_BUDGET
        if (++steps > (POLIZ_STEP_BUDGET)) throw RuntimeError("Step budget exhausted!");
#endif
        const int at = pc++;
        const Instr& ins = prog[at];
        switch (ins.op) {
            case Op::NOP: break;
            case Op::PUSH_INT: push(Value::ofInt(ins.imm)); break;
            case Op::PUSH_REAL: push(Value::ofReal(ins.real)); break;
            case Op::PUSH_STR: push(Value::ofStrConst(ins.str)); break;
            case Op::PUSH_VAR: push(Value::ofVar(ins.slot, ins.var)); break;
            case Op::PUSH_LABEL: push(Value::ofLabel(ins.imm)); break;
            case Op::MUL:
                arith(at, [](std::int32_t a, std::int32_t b) { return wrap(bits(a) * bits(b)); },
                      [](float a, float b) { return a * b; });
                break;
            case Op::SUB:
                arith(at, [](std::int32_t a, std::int32_t b) { return wrap(bits(a) - bits(b)); },
                      [](float a, float b) { return a - b; });
                break;
            case Op::ADD: add(at); break;
            case Op::DIV: divide(at); break;
            case Op::ASSIGN: assign(at); break;
            case Op::LT: compare(at, Less{}); break;
            case Op::GT: compare(at, Greater{}); break;
            case Op::LE: compare(at, LessEq{}); break;
            case Op::GE: compare(at, GreaterEq{}); break;
            case Op::EQ: compare(at, Equal{}); break;
            case Op::NE: compare(at, NotEqual{}); break;
            case Op::AND: {
                need(2, at);
                // op2 decides first; op1 is not fetched when op2 is 0.
                const bool result = intOf(top(1), at) != 0 && intOf(top(0), at) != 0;
                top(1) = Value::ofInt(result);
                --depth;
                break;
            }
            case Op::OR: {
                need(2, at);
                const bool result = intOf(top(1), at) != 0 || intOf(top(0), at) != 0;
                top(1) = Value::ofInt(result);
                --depth;
                break;
            }
            case Op::NOT:
                need(1, at);
                top(0) = Value::ofInt(intOf(top(0), at) == 0);
                break;
            case Op::NEG: {
                need(1, at);
                Value& v = top(0);
                const ValueType t = typeOf(v.slot);
                if (t == ValueType::INT) v = Value::ofInt(wrap(0u - bits(intOf(v, at))));
                else if (t == ValueType::REAL) v = Value::ofReal(-realOf(v, at));
                else mismatch(at);
                break;
            }
            case Op::READ: read(at); break;
            case Op::WRITE: write(at); break;
            case Op::BACKSPACE:
                need(1, at);
                --depth;
                break;
            case Op::JUMP: {
                need(1, at);
                const Value label = top(0);
                --depth;
                pc = jumpTarget(label, at);
                break;
            }
            case Op::JUMPFALSE: {
                need(2, at);
                const Value label = top(0);
                const Value cond = top(1);
                depth -= 2;
                const int target = jumpTarget(label, at);
                if (intOf(cond, at) == 0) pc = target;
                break;
            }
            case Op::DUP: dup(at); break;
            case Op::JUMP_TO: pc = ins.imm; break;
            case Op::JUMPFALSE_TO: {
                // The label at `at` is fused with the "jumpfalse" right after it, which an
                // untaken jump steps over as well.
                need(1, at + 1);
                const Value cond = top(0);
                --depth;
                pc = intOf(cond, at + 1) == 0 ? ins.imm : at + 2;
                break;
            }
        }
        if constexpr (kTraced) {
            buildTraceStack();
            if (!tracer->step(at, traceStack)) return pc;
        }
    }
    return pc;
}

void Machine::need(std::size_t count, int address) const {
    if (depth < count) underflow(address);
}

void Machine::push(Value v) {
    if (depth == stack.size()) stack.resize(stack.size() * 2);
    stack[depth++] = v;
}

std::string& Machine::tempAt(std::size_t d) {
    if (temps.size() <= d) temps.resize(d + 1);
    return temps[d];
}

std::int32_t Machine::intOf(const Value& v, int address) const {
    switch (v.slot) {
        case Slot::INT: return v.i;
        case Slot::REAL: return truncToInt(v.r);
        case Slot::VAR_INT: return assignedVar(v).rawInt();
        case Slot::VAR_REAL: return truncToInt(assignedVar(v).rawReal());
        default: mismatch(address);
    }
}

float Machine::realOf(const Value& v, int address) const {
    switch (v.slot) {
        case Slot::INT: return static_cast<float>(v.i);
        case Slot::REAL: return v.r;
        case Slot::VAR_INT: return static_cast<float>(assignedVar(v).rawInt());
        case Slot::VAR_REAL: return assignedVar(v).rawReal();
        default: mismatch(address);
    }
}

std::string_view Machine::stringOf(const Value& v, std::size_t d, int address) const {
    switch (v.slot) {
        case Slot::STR_CONST: return *v.str;
        case Slot::STR_TEMP: return temps[d];
        case Slot::VAR_STRING: return assignedVar(v).rawString();
        default: mismatch(address);
    }
}

// The text "write" prints for a value at depth d; a variable's value is fetched here.
void Machine::appendText(std::string& dst, const Value& v, std::size_t d) const {
    switch (v.slot) {
        case Slot::INT:
        case Slot::LABEL: appendInt(dst, v.i); break;
        case Slot::REAL: appendReal(dst, v.r); break;
        case Slot::STR_CONST: dst += *v.str; break;
        case Slot::STR_TEMP: dst += temps[d]; break;
        case Slot::VAR_INT: appendInt(dst, assignedVar(v).rawInt()); break;
        case Slot::VAR_REAL: appendReal(dst, assignedVar(v).rawReal()); break;
        case Slot::VAR_STRING: dst += assignedVar(v).rawString(); break;
        case Slot::VAR_NONE: assignedVar(v); break;  // a variable without a type prints nothing
    }
}

// "*" and "-" (and the numeric "+"): int form when both are "int", else real form.
// op2 is fetched before op1.
template <class IntOp, class RealOp>
void Machine::arith(int address, IntOp intOp, RealOp realOp) {
    need(2, address);
    Value& r = top(0);
    Value& l = top(1);
    const ValueType tr = typeOf(r.slot);
    const ValueType tl = typeOf(l.slot);
    if (tl == ValueType::INT && tr == ValueType::INT) {
        const std::int32_t a = intOf(l, address);
        const std::int32_t b = intOf(r, address);
        l = Value::ofInt(intOp(a, b));
    } else if (isNumeric(tl) && isNumeric(tr)) {
        const float a = realOf(l, address);
        const float b = realOf(r, address);
        l = Value::ofReal(realOp(a, b));
    } else {
        mismatch(address);
    }
    --depth;
}

// "+" also joins two strings; the string form fetches op1 first. A left operand that is already
// a computed string is extended in place, so a chain a + b + c copies each part once.
void Machine::add(int address) {
    need(2, address);
    const ValueType tr = typeOf(top(0).slot);
    const ValueType tl = typeOf(top(1).slot);
    if (tl != ValueType::STRING && tr != ValueType::STRING) {
        arith(address, [](std::int32_t a, std::int32_t b) { return wrap(bits(a) + bits(b)); },
              [](float a, float b) { return a + b; });
        return;
    }
    if (tl != tr) mismatch(address);
    const std::size_t d = depth - 2;
    std::string& dst = tempAt(d);
    Value& l = top(1);
    const std::string_view right = stringOf(top(0), d + 1, address);
    if (l.slot == Slot::STR_TEMP) {
        dst.append(right);
    } else {
        const std::string_view left = stringOf(l, d, address);
        dst.assign(left);
        dst.append(right);
    }
    l = Value::ofStrTemp();
    --depth;
}

// "/": op1 is fetched first for the zero test, which comes before anything else.
void Machine::divide(int address) {
    need(2, address);
    Value& r = top(0);
    Value& l = top(1);
    const ValueType tr = typeOf(r.slot);
    const ValueType tl = typeOf(l.slot);
    if (!isNumeric(tl) || !isNumeric(tr)) mismatch(address);
    if (realOf(r, address) == 0.0f) throw RuntimeError("Division by zero!");
    if (tl == ValueType::INT && tr == ValueType::INT) {
        const std::int32_t a = intOf(l, address);
        const std::int32_t b = intOf(r, address);
        // The one overflowing quotient wraps like every other overflow.
        l = Value::ofInt(b == -1 ? wrap(0u - bits(a)) : a / b);
    } else {
        const float a = realOf(l, address);
        const float b = realOf(r, address);
        l = Value::ofReal(a / b);
    }
    --depth;
}

template <class Cmp>
void Machine::compare(int address, Cmp cmp) {
    need(2, address);
    Value& r = top(0);
    Value& l = top(1);
    const ValueType tr = typeOf(r.slot);
    const ValueType tl = typeOf(l.slot);
    bool result = false;
    if (tl == ValueType::INT && tr == ValueType::INT) {
        const std::int32_t a = intOf(l, address);
        const std::int32_t b = intOf(r, address);
        result = cmp(a, b);
    } else if (isNumeric(tl) && isNumeric(tr)) {
        const float a = realOf(l, address);
        const float b = realOf(r, address);
        result = cmp(a, b);
    } else if (tl == ValueType::STRING && tr == ValueType::STRING) {
        // Byte order: std::string_view compares characters as unsigned codes.
        const std::string_view b = stringOf(r, depth - 1, address);
        const std::string_view a = stringOf(l, depth - 2, address);
        result = cmp(a, b);
    } else {
        mismatch(address);
    }
    l = Value::ofInt(result);
    --depth;
}

// "=": op1 is the value, op2 the target, which stays on the stack as the result. The target's
// own value is never read.
void Machine::assign(int address) {
    need(2, address);
    Value& v = top(0);
    const Value& t = top(1);
    if (!isVariable(t.slot)) fail("'=' at address " + std::to_string(address) + " needs a variable as its target!");
    Ident& target = *t.var;
    const ValueType tt = typeOf(t.slot);
    const ValueType tv = typeOf(v.slot);
    if (tt == ValueType::INT && tv == ValueType::INT) {
        target.assign(intOf(v, address));
    } else if (isNumeric(tt) && isNumeric(tv)) {
        target.assign(realOf(v, address));
    } else if (tt == ValueType::STRING && tv == ValueType::STRING) {
        switch (v.slot) {
            case Slot::STR_CONST: target.stringSlot().assign(*v.str); break;
            // A computed string is dropped right here, so its buffer changes hands instead.
            case Slot::STR_TEMP: std::swap(target.stringSlot(), temps[depth - 1]); break;
            default: {
                const Ident& source = assignedVar(v);
                if (&source != &target) target.stringSlot() = source.rawString();
                break;
            }
        }
        target.markAssigned();
    } else {
        mismatch(address);
    }
    --depth;
}

// "read": formatted input of the variable's type. Pending output is shown first, so a prompt is
// visible before the program waits.
void Machine::read(int address) {
    need(1, address);
    const Value v = top(0);
    --depth;
    if (!isVariable(v.slot)) fail("'read' at address " + std::to_string(address) + " needs a variable!");
    Ident& var = *v.var;
    flushOutput();
    auto endOfInput = [&var] { return RuntimeError("Unexpected end of input for '" + var.getString() + "'!"); };
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
    const Value count = top(0);
    --depth;
    const std::int32_t n = intOf(count, address);
    if (n < 0) fail("'write' at address " + std::to_string(address) + " has a negative item count!");
    need(static_cast<std::size_t>(n), address);
    const std::size_t first = depth - static_cast<std::size_t>(n);
    for (std::size_t k = first; k < depth; ++k) appendText(outBuf, stack[k], k);
    depth = first;
    if (outBuf.size() >= kOutputChunk) {
        out.write(outBuf.data(), static_cast<std::streamsize>(outBuf.size()));
        outBuf.clear();
    }
}

// "dup" copies the slot: a variable stays a reference; a computed string gets its own buffer.
void Machine::dup(int address) {
    need(1, address);
    const Value v = top(0);
    if (v.slot == Slot::STR_TEMP) tempAt(depth) = temps[depth - 1];
    push(v);
}

int Machine::jumpTarget(const Value& label, int address) const {
    if (label.slot != Slot::LABEL)
        fail("'" + poliz.at(address)->getString() + "' at address " + std::to_string(address) + " needs a label!");
    if (label.i < 0 || label.i >= poliz.size())
        fail("Jump to address " + std::to_string(label.i) + " outside the program at address " +
             std::to_string(address) + "!");
    return label.i + 1;  // a taken jump continues after the marker
}

void Machine::flushOutput() {
    if (!outBuf.empty()) {
        out.write(outBuf.data(), static_cast<std::streamsize>(outBuf.size()));
        outBuf.clear();
    }
    out.flush();
}

void Machine::buildTraceStack() {
    traceStack.resize(depth);
    for (std::size_t k = 0; k < depth; ++k) {
        const Value& v = stack[k];
        TraceEntry& e = traceStack[k];
        e.variable = isVariable(v.slot) ? v.var : nullptr;
        e.hasValue = !e.variable || e.variable->isAssigned();
        e.text.clear();
        if (e.hasValue) appendText(e.text, v, k);
        switch (v.slot) {
            case Slot::INT: e.kind = TraceEntry::Kind::INT; break;
            case Slot::REAL: e.kind = TraceEntry::Kind::REAL; break;
            case Slot::STR_CONST:
            case Slot::STR_TEMP: e.kind = TraceEntry::Kind::STRING; break;
            case Slot::LABEL: e.kind = TraceEntry::Kind::LABEL; break;
            default: e.kind = TraceEntry::Kind::VARIABLE; break;
        }
    }
}

void Machine::fail(std::string_view what) const { throw RuntimeError(std::string(what)); }

void Machine::underflow(int address) const {
    fail("Too few operands for '" + poliz.at(address)->getString() + "' at address " + std::to_string(address) + "!");
}

void Machine::mismatch(int address) const {
    fail("Operand types match no form of '" + poliz.at(address)->getString() + "' at address " +
         std::to_string(address) + "!");
}
