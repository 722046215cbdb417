// The reference stack machine (see StackMachine.h). Every operator pops op1 first (the top of
// the stack, the right operand) and then op2 (the left one). The order in which values are
// fetched matters: it decides which unassigned variable an error names.
#include "machine/StackMachine.h"

#include <ostream>
#include <unordered_set>

#include "common/CheckedOutput.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "runtime/NumberText.h"
#include "runtime/ProgramInput.h"
#include "runtime/RuntimeMessages.h"

namespace {

bool isNumeric(ValueType t) { return t == ValueType::INT || t == ValueType::REAL; }

// 32-bit integer arithmetic wraps on overflow: it is done on unsigned values.
std::int32_t wrap(std::uint32_t v) { return static_cast<std::int32_t>(v); }
std::uint32_t bits(std::int32_t v) { return static_cast<std::uint32_t>(v); }

// `left op right` for "*", "-" and "+", on wrapping ints or on floats alike.
template <class T>
T combine(Operation op, T left, T right) {
    switch (op) {
        case Operation::MUL: return left * right;
        case Operation::SUB: return left - right;
        default: return left + right;
    }
}

// Whether `left op right` holds; the same for ints, floats (false with a NaN, except "!=")
// and strings (compared by character codes).
template <class T>
bool holds(Operation op, const T& left, const T& right) {
    switch (op) {
        case Operation::LT: return left < right;
        case Operation::GT: return left > right;
        case Operation::LE: return left <= right;
        case Operation::GE: return left >= right;
        case Operation::EQ: return left == right;
        default: return left != right;
    }
}

}  // namespace

// Each item is decoded once: an operand becomes the entry it pushes, an operator word its
// Operation. A word outside the vocabulary does nothing, as "empty" does.
StackMachine::StackMachine(const Poliz& poliz, std::istream& in, std::ostream& out)
    : poliz(poliz), in(in), out(out) {
    std::unordered_set<const Ident*> known;
    items_.reserve(static_cast<std::size_t>(poliz.size()));
    for (int address = 0; address < poliz.size(); ++address) {
        Lex* lex = poliz.at(address);
        Item item{PUSH, {}};
        switch (lex->getKind()) {
            case IDENT: {
                auto* variable = static_cast<Ident*>(lex);
                item.operand = StackEntry::ofVariable(variable);
                if (known.insert(variable).second) variables_.push_back(variable);
                break;
            }
            case NUMBER: item.operand = StackEntry::ofInt(static_cast<Number*>(lex)->getIntVal()); break;
            case REAL: item.operand = StackEntry::ofReal(static_cast<Real*>(lex)->getRealVal()); break;
            case STRINGC: item.operand = StackEntry::ofText(&static_cast<StringC*>(lex)->text()); break;
            case LABEL: item.operand = StackEntry::ofLabel(static_cast<Label*>(lex)->getAddress()); break;
            case KEYWORD:
            case DELIM:
                item.operation = operationOf(lex->getString());
                if (item.operation == Operation::NOTHING) item.operation = Operation::EMPTY;
                break;
        }
        items_.push_back(item);
    }
    stack_.reserve(64);
}

// One item, without moving pc_ on: a jump sets pc_ to its label's address (a marker), and the
// caller's ++pc_ then leaves it on the item after.
[[gnu::always_inline]] inline void StackMachine::execute(const Item& item) {
    switch (item.operation) {
        case PUSH: push(item.operand); break;
        case Operation::MUL:
        case Operation::DIV:
        case Operation::SUB:
        case Operation::ADD: arithmetic(item.operation); break;
        case Operation::ASSIGN: assign(); break;
        case Operation::LT:
        case Operation::GT:
        case Operation::LE:
        case Operation::GE:
        case Operation::EQ:
        case Operation::NE: comparison(item.operation); break;
        case Operation::AND: {
            const StackEntry op1 = pop();
            const StackEntry op2 = pop();
            // op1 is not fetched when op2 decides.
            push(StackEntry::ofInt(intOf(op2) != 0 && intOf(op1) != 0));
            break;
        }
        case Operation::OR: {
            const StackEntry op1 = pop();
            const StackEntry op2 = pop();
            push(StackEntry::ofInt(intOf(op2) != 0 || intOf(op1) != 0));
            break;
        }
        case Operation::NOT: push(StackEntry::ofInt(intOf(pop()) == 0)); break;
        case Operation::NEG: {
            const StackEntry op1 = pop();
            const ValueType t = typeOf(op1);
            if (t == ValueType::INT)
                push(StackEntry::ofInt(wrap(0u - bits(intOf(op1)))));  // the smallest int wraps to itself
            else if (t == ValueType::REAL)
                push(StackEntry::ofReal(-realOf(op1)));
            else
                mismatch();
            break;
        }
        case Operation::READ: read(); break;
        case Operation::WRITE: write(); break;
        case Operation::BACKSPACE: release(pop()); break;
        case Operation::DUP: duplicate(); break;
        case Operation::JUMP: jump(false); break;
        case Operation::JUMPFALSE: jump(true); break;
        case Operation::EMPTY: break;
    }
}

void StackMachine::step() {
    lastStored_ = nullptr;
    execute(items_[static_cast<std::size_t>(pc_)]);
    ++pc_;
}

// The same as step() in a loop, with the step inlined. lastStored() is left as the last store
// of the run: it is meant for tools that step.
void StackMachine::run() {
    const Item* const items = items_.data();
    const int count = itemCount();
    while (pc_ < count) {
        execute(items[pc_]);
        ++pc_;
    }
}

ValueType StackMachine::typeOf(const StackEntry& e) const {
    switch (e.kind) {
        case StackEntry::Kind::VARIABLE: return e.variable->valueType();
        case StackEntry::Kind::INT: return ValueType::INT;
        case StackEntry::Kind::REAL: return ValueType::REAL;
        case StackEntry::Kind::STRING: return ValueType::STRING;
        case StackEntry::Kind::LABEL: break;
    }
    return ValueType::NONE;
}

// A variable's value is fetched only here, and one never assigned stops the run with
// "Using value of ... was not assigned!". The getters convert from the variable's own type: a
// real read as an int is truncated, an int read as a real is the nearest float.
std::int32_t StackMachine::intOf(const StackEntry& e) const {
    if (e.kind == StackEntry::Kind::INT) return e.i;
    if (e.kind == StackEntry::Kind::REAL) return truncToInt(e.r);
    if (e.kind == StackEntry::Kind::VARIABLE && isNumeric(e.variable->valueType()))
        return e.variable->getIntVal();
    mismatch();
}

float StackMachine::realOf(const StackEntry& e) const {
    if (e.kind == StackEntry::Kind::INT) return static_cast<float>(e.i);
    if (e.kind == StackEntry::Kind::REAL) return e.r;
    if (e.kind == StackEntry::Kind::VARIABLE && isNumeric(e.variable->valueType()))
        return e.variable->getRealVal();
    mismatch();
}

const std::string& StackMachine::stringOf(const StackEntry& e) const {
    if (e.kind == StackEntry::Kind::STRING) return *e.text;
    if (e.kind == StackEntry::Kind::VARIABLE && e.variable->valueType() == ValueType::STRING) {
        if (!e.variable->isAssigned()) e.variable->throwUnassigned();
        return e.variable->rawString();
    }
    mismatch();
}

// "*", "/", "-", "+": ints give an int (wrapping; "/" truncates toward zero), numbers with a
// real give a real, two strings joined by "+" give a string. The numeric forms fetch op2 first,
// except "/", which tests op1 for zero before anything else.
void StackMachine::arithmetic(Operation operation) {
    const StackEntry op1 = pop();
    const StackEntry op2 = pop();
    const ValueType t1 = typeOf(op1);
    const ValueType t2 = typeOf(op2);
    if (t1 == ValueType::INT && t2 == ValueType::INT) {
        if (operation == Operation::DIV) {
            const std::int32_t right = intOf(op1);
            if (right == 0) throw rtmsg::divisionByZero();
            const std::int32_t left = intOf(op2);
            // The one quotient that overflows, the smallest int by -1, wraps to itself.
            push(StackEntry::ofInt(right == -1 ? wrap(0u - bits(left)) : left / right));
            return;
        }
        const std::uint32_t left = bits(intOf(op2));
        push(StackEntry::ofInt(wrap(combine(operation, left, bits(intOf(op1))))));
    } else if (isNumeric(t1) && isNumeric(t2)) {
        if (operation == Operation::DIV) {
            const float right = realOf(op1);
            if (right == 0.0f) throw rtmsg::divisionByZero();
            push(StackEntry::ofReal(realOf(op2) / right));
            return;
        }
        const float left = realOf(op2);
        push(StackEntry::ofReal(combine(operation, left, realOf(op1))));
    } else if (operation == Operation::ADD && t1 == ValueType::STRING) {
        concatenate(op1, op2);  // which finds an op2 that is no string
    } else {
        mismatch();
    }
}

// String "+", fetching op1 first. A computed left string is extended in place; otherwise the
// result goes to a free slot, whose buffer is usually big enough already.
void StackMachine::concatenate(const StackEntry& op1, const StackEntry& op2) {
    const std::string& right = stringOf(op1);
    if (op2.ownsText()) {
        slots_[op2.slot] += right;
        release(op1);
        push(op2);
        return;
    }
    const std::string& left = stringOf(op2);
    const std::uint32_t slot = newSlot();  // a deque: `left` and `right` stay where they are
    std::string& joined = slots_[slot];
    joined.reserve(left.size() + right.size());
    joined.assign(left).append(right);
    release(op1);
    pushText(slot);
}

// "<" ">" "<=" ">=" "==" "!=": 1 when `op2 op op1` holds, else 0. Strings fetch op1 first.
void StackMachine::comparison(Operation operation) {
    const StackEntry op1 = pop();
    const StackEntry op2 = pop();
    const ValueType t1 = typeOf(op1);
    const ValueType t2 = typeOf(op2);
    bool result = false;
    if (t1 == ValueType::INT && t2 == ValueType::INT) {
        const std::int32_t left = intOf(op2);
        result = holds(operation, left, intOf(op1));
    } else if (isNumeric(t1) && isNumeric(t2)) {
        const float left = realOf(op2);
        result = holds(operation, left, realOf(op1));
    } else if (t1 == ValueType::STRING) {
        const std::string& right = stringOf(op1);
        result = holds(operation, stringOf(op2), right);  // stringOf finds an op2 that is no string
        release(op1);
        release(op2);
    } else {
        mismatch();
    }
    push(StackEntry::ofInt(result));
}

// "=": the value op1 into the variable op2, converted to the variable's type; the variable
// itself is the result. Its own value is never read. A computed string moves into the
// variable, which hands its old buffer to the freed slot.
void StackMachine::assign() {
    const StackEntry op1 = pop();
    const StackEntry op2 = pop();
    if (op2.kind != StackEntry::Kind::VARIABLE) throw rtmsg::assignNeedsVariable(pc_);
    Ident* target = op2.variable;
    const ValueType t1 = typeOf(op1);
    const ValueType t2 = typeOf(op2);
    if (t1 == ValueType::INT && t2 == ValueType::INT) {
        target->assign(intOf(op1));
    } else if (isNumeric(t1) && isNumeric(t2)) {
        target->assign(realOf(op1));
    } else if (t2 == ValueType::STRING) {  // stringOf finds an op1 that is no string
        if (op1.ownsText()) {
            target->stringSlot().swap(slots_[op1.slot]);
            release(op1);
        } else {
            target->stringSlot() = stringOf(op1);
        }
        target->markAssigned();
    } else {
        mismatch();
    }
    lastStored_ = target;
    push(op2);
}

// "read": formatted input of the variable's type. Output so far is shown first, so a prompt is
// on the screen before the program waits. A number read must find a number of the type; a
// string read takes the next line that is not empty.
void StackMachine::read() {
    const StackEntry op1 = pop();
    if (op1.kind != StackEntry::Kind::VARIABLE) throw rtmsg::readNeedsVariable(pc_);
    Ident* target = op1.variable;
    out.flush();
    checkWritten(out);
    const ValueType type = typeOf(op1);
    if (type == ValueType::INT) {
        target->assign(readIntInput(in, target->getString()));
    } else if (type == ValueType::REAL) {
        target->assign(readRealInput(in, target->getString()));
    } else if (type == ValueType::STRING) {
        // Read aside, so that the variable keeps its value when the read fails; the buffers
        // then change places, so a loop of reads allocates nothing.
        readLineInput(in, lineBuffer_, target->getString());
        target->stringSlot().swap(lineBuffer_);
        target->markAssigned();
    } else {
        mismatch();
    }
    lastStored_ = target;
}

// "write": the count n, then n values, printed in the order they were pushed, with nothing
// between them and nothing after the last. The values leave the stack as if popped before the
// first is printed, also when printing one fails.
void StackMachine::write() {
    const std::int32_t n = intOf(pop());
    if (n < 0) throw rtmsg::negativeWriteCount(pc_);
    if (stack_.size() < static_cast<std::size_t>(n)) {
        dropTo(0);
        tooFewOperands();
    }
    const std::size_t first = stack_.size() - static_cast<std::size_t>(n);
    try {
        for (std::size_t k = first; k < stack_.size(); ++k) {
            const StackEntry& e = stack_[k];
            switch (e.kind) {
                case StackEntry::Kind::VARIABLE:
                    // A string is written from where it is, not copied; a number's text is short.
                    if (e.variable->valueType() == ValueType::STRING)
                        out << stringOf(e);
                    else
                        out << e.variable->getStringVal();
                    break;
                case StackEntry::Kind::INT:
                case StackEntry::Kind::LABEL: out << intToText(e.i); break;
                case StackEntry::Kind::REAL: out << realToText(e.r); break;
                case StackEntry::Kind::STRING: out << *e.text; break;
            }
        }
    } catch (...) {
        dropTo(first);
        throw;
    }
    dropTo(first);
    checkWritten(out);
}

// "dup": the top entry once more. A computed string is copied, so that every slot keeps a
// single owner.
void StackMachine::duplicate() {
    if (stack_.empty()) tooFewOperands();
    const StackEntry top = stack_.back();
    if (!top.ownsText()) {
        push(top);
        return;
    }
    const std::uint32_t slot = newSlot();
    slots_[slot] = *top.text;
    pushText(slot);
}

// "jump" pops a label; "jumpfalse" pops a label and then the condition, and jumps only when the
// condition's value is 0. The run goes on after the label's address, which holds a marker.
void StackMachine::jump(bool onlyIfFalse) {
    const StackEntry label = pop();
    const StackEntry condition = onlyIfFalse ? pop() : StackEntry{};
    if (label.kind != StackEntry::Kind::LABEL) needsLabel();
    if (label.i < 0 || label.i >= itemCount()) throw rtmsg::jumpOutside(label.i, pc_);
    if (onlyIfFalse && intOf(condition) != 0) return;
    pc_ = label.i;
}

// A free slot, or a new one. The free list can always take every slot back without growing,
// so releasing never allocates.
std::uint32_t StackMachine::newSlot() {
    if (freeSlots_.empty()) {
        slots_.emplace_back();
        freeSlots_.reserve(slots_.size());
        return static_cast<std::uint32_t>(slots_.size() - 1);
    }
    const std::uint32_t slot = freeSlots_.back();
    freeSlots_.pop_back();
    return slot;
}

void StackMachine::dropTo(std::size_t size) {
    for (std::size_t k = size; k < stack_.size(); ++k) release(stack_[k]);
    stack_.resize(size);
}

void StackMachine::saveStack(SavedStack& into) const {
    into.entries = stack_;
    std::size_t count = 0;
    for (StackEntry& e : into.entries) {
        if (!e.ownsText()) continue;
        if (count == into.strings.size()) into.strings.emplace_back();
        into.strings[count] = *e.text;
        e.slot = static_cast<std::uint32_t>(count++);
        e.text = nullptr;
    }
    into.strings.resize(count);
}

StackMachine::State StackMachine::save() const {
    State state{pc_, {}, {}, lastStored_};
    saveStack(state.stack);
    for (const Ident* v : variables_) state.values.push_back(v->save());
    return state;
}

// The restored stack's strings get slots of their own; every slot is free before.
void StackMachine::restore(const State& state) {
    pc_ = state.pc;
    lastStored_ = state.lastStored;
    freeSlots_.clear();
    for (std::size_t k = slots_.size(); k > 0; --k) freeSlots_.push_back(static_cast<std::uint32_t>(k - 1));
    stack_ = state.stack.entries;
    for (StackEntry& e : stack_) {
        if (!e.ownsText()) continue;
        const std::uint32_t slot = newSlot();
        slots_[slot] = state.stack.strings[e.slot];
        e = StackEntry::ofText(&slots_[slot], slot);
    }
    for (std::size_t k = 0; k < variables_.size(); ++k) variables_[k]->restore(state.values[k]);
}

void StackMachine::tooFewOperands() const { throw rtmsg::tooFewOperands(poliz.at(pc_)->getString(), pc_); }

void StackMachine::mismatch() const { throw rtmsg::typeMismatch(poliz.at(pc_)->getString(), pc_); }

void StackMachine::needsLabel() const { throw rtmsg::needsLabel(poliz.at(pc_)->getString(), pc_); }
