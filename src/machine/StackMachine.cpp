// The reference stack machine (see StackMachine.h). Every operator pops op1 first (the top of
// the stack, the right operand) and then op2 (the left one). The order in which values are
// fetched matters: it decides which unassigned variable an error names.
#include "machine/StackMachine.h"

#include <ostream>
#include <unordered_set>

#include "common/CheckedOutput.h"
#include "runtime/ProgramInput.h"
#include "runtime/RuntimeMessages.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "runtime/NumberText.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"

namespace {

bool isNumeric(ValueType t) { return t == ValueType::INT || t == ValueType::REAL; }

// 32-bit integer arithmetic wraps on overflow: it is done on unsigned values.
std::int32_t wrap(std::uint32_t v) { return static_cast<std::int32_t>(v); }
std::uint32_t bits(std::int32_t v) { return static_cast<std::uint32_t>(v); }

StackEntry intEntry(std::int32_t v) {
    StackEntry e;
    e.kind = StackEntry::Kind::INT;
    e.i = v;
    return e;
}

StackEntry realEntry(float v) {
    StackEntry e;
    e.kind = StackEntry::Kind::REAL;
    e.r = v;
    return e;
}

StackEntry stringEntry(std::string v) {
    StackEntry e;
    e.kind = StackEntry::Kind::STRING;
    e.s = std::move(v);
    return e;
}

// Whether `left word right` holds; the same for ints, floats (false with a NaN, except "!=")
// and strings (compared by character codes).
template <class T>
bool holds(const std::string& word, const T& left, const T& right) {
    if (word == "<") return left < right;
    if (word == ">") return left > right;
    if (word == "<=") return left <= right;
    if (word == ">=") return left >= right;
    if (word == "==") return left == right;
    return left != right;
}

}  // namespace

StackMachine::StackMachine(const Poliz& poliz, std::istream& in, std::ostream& out)
    : poliz(poliz), in(in), out(out) {
    // Words are looked up once, not at every step.
    std::unordered_set<const Ident*> known;
    for (int address = 0; address < poliz.size(); ++address) {
        Lex* item = poliz.at(address);
        const KindOfLex kind = item->getKind();
        operations.push_back(kind == KEYWORD || kind == DELIM ? operationOf(item->getString()) : Operation::NOTHING);
        if (kind == IDENT && known.insert(static_cast<Ident*>(item)).second)
            variables_.push_back(static_cast<Ident*>(item));
    }
}

void StackMachine::run() {
    while (!finished()) step();
}

void StackMachine::step() {
    const Lex* item = poliz.at(pc_);
    lastStored_ = nullptr;
    switch (item->getKind()) {
        case IDENT:
        case NUMBER:
        case REAL:
        case STRINGC:
        case LABEL: push(operand(item)); break;
        case KEYWORD:
        case DELIM:
            switch (operations[static_cast<std::size_t>(pc_)]) {
                case Operation::MUL: arithmetic('*'); break;
                case Operation::DIV: arithmetic('/'); break;
                case Operation::SUB: arithmetic('-'); break;
                case Operation::ADD: arithmetic('+'); break;
                case Operation::ASSIGN: assign(); break;
                case Operation::LT:
                case Operation::GT:
                case Operation::LE:
                case Operation::GE:
                case Operation::EQ:
                case Operation::NE: comparison(item->getString()); break;
                case Operation::AND: {
                    const StackEntry op1 = pop();
                    const StackEntry op2 = pop();
                    // op1 is not fetched when op2 decides.
                    push(intEntry(intOf(op2) != 0 && intOf(op1) != 0));
                    break;
                }
                case Operation::OR: {
                    const StackEntry op1 = pop();
                    const StackEntry op2 = pop();
                    push(intEntry(intOf(op2) != 0 || intOf(op1) != 0));
                    break;
                }
                case Operation::NOT: push(intEntry(intOf(pop()) == 0)); break;
                case Operation::NEG: {
                    const StackEntry op1 = pop();
                    const ValueType t = typeOf(op1);
                    if (t == ValueType::INT)
                        push(intEntry(wrap(0u - bits(intOf(op1)))));
                    else if (t == ValueType::REAL)
                        push(realEntry(-realOf(op1)));
                    else
                        mismatch();
                    break;
                }
                case Operation::READ: read(); break;
                case Operation::WRITE: write(); break;
                case Operation::BACKSPACE: pop(); break;
                case Operation::DUP: {
                    const StackEntry top = pop();
                    push(top);
                    push(top);
                    break;
                }
                case Operation::JUMP: jump(false); break;
                case Operation::JUMPFALSE: jump(true); break;
                case Operation::EMPTY:
                case Operation::NOTHING: break;  // "empty", and any word outside the vocabulary
            }
            break;
    }
    ++pc_;
}

// An operand item goes on the stack as itself: a variable as a reference, a constant or a
// label as its value.
StackEntry StackMachine::operand(const Lex* item) const {
    StackEntry e;
    switch (item->getKind()) {
        case IDENT:
            e.kind = StackEntry::Kind::VARIABLE;
            e.variable = static_cast<Ident*>(const_cast<Lex*>(item));
            break;
        case NUMBER: e = intEntry(static_cast<const Number*>(item)->getIntVal()); break;
        case REAL: e = realEntry(static_cast<const Real*>(item)->getRealVal()); break;
        case STRINGC: e = stringEntry(static_cast<const StringC*>(item)->getStringVal()); break;
        case LABEL:
            e.kind = StackEntry::Kind::LABEL;
            e.i = static_cast<const Label*>(item)->getAddress();
            break;
        case KEYWORD:
        case DELIM: break;
    }
    return e;
}

StackEntry StackMachine::pop() {
    if (stack_.empty())
        throw rtmsg::tooFewOperands(poliz.at(pc_)->getString(), pc_);
    StackEntry top = std::move(stack_.back());
    stack_.pop_back();
    return top;
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

// The getters of a variable throw "Using value of ... was not assigned!" for one never assigned.
std::int32_t StackMachine::intOf(const StackEntry& e) const {
    if (e.kind == StackEntry::Kind::INT) return e.i;
    if (e.kind == StackEntry::Kind::REAL) return truncToInt(e.r);
    if (e.kind == StackEntry::Kind::VARIABLE && isNumeric(typeOf(e))) return e.variable->getIntVal();
    mismatch();
}

float StackMachine::realOf(const StackEntry& e) const {
    if (e.kind == StackEntry::Kind::INT) return static_cast<float>(e.i);
    if (e.kind == StackEntry::Kind::REAL) return e.r;
    if (e.kind == StackEntry::Kind::VARIABLE && isNumeric(typeOf(e))) return e.variable->getRealVal();
    mismatch();
}

std::string StackMachine::stringOf(const StackEntry& e) const {
    if (e.kind == StackEntry::Kind::STRING) return e.s;
    if (e.kind == StackEntry::Kind::VARIABLE && typeOf(e) == ValueType::STRING)
        return e.variable->getStringVal();
    mismatch();
}

// "*", "/", "-", "+": ints give an int (wrapping; "/" truncates toward zero), numbers with a
// real give a real, two strings joined by "+" give a string. The numeric forms fetch op2 first,
// except "/", which tests op1 for zero before anything else.
void StackMachine::arithmetic(char sign) {
    const StackEntry op1 = pop();
    const StackEntry op2 = pop();
    const ValueType t1 = typeOf(op1);
    const ValueType t2 = typeOf(op2);
    if (t1 == ValueType::INT && t2 == ValueType::INT) {
        if (sign == '/') {
            const std::int32_t right = intOf(op1);
            if (right == 0) throw rtmsg::divisionByZero();
            const std::int32_t left = intOf(op2);
            // The one quotient that overflows, the smallest int by -1, wraps to itself.
            push(intEntry(right == -1 ? wrap(0u - bits(left)) : left / right));
            return;
        }
        const std::uint32_t left = bits(intOf(op2));
        const std::uint32_t right = bits(intOf(op1));
        push(intEntry(wrap(sign == '*' ? left * right : sign == '-' ? left - right : left + right)));
    } else if (isNumeric(t1) && isNumeric(t2)) {
        if (sign == '/') {
            const float right = realOf(op1);
            if (right == 0.0f) throw rtmsg::divisionByZero();
            push(realEntry(realOf(op2) / right));
            return;
        }
        const float left = realOf(op2);
        const float right = realOf(op1);
        push(realEntry(sign == '*' ? left * right : sign == '-' ? left - right : left + right));
    } else if (sign == '+' && t1 == ValueType::STRING && t2 == ValueType::STRING) {
        const std::string right = stringOf(op1);
        push(stringEntry(stringOf(op2) + right));
    } else {
        mismatch();
    }
}

// "<" ">" "<=" ">=" "==" "!=": 1 when `op2 word op1` holds, else 0. Strings fetch op1 first.
void StackMachine::comparison(const std::string& word) {
    const StackEntry op1 = pop();
    const StackEntry op2 = pop();
    const ValueType t1 = typeOf(op1);
    const ValueType t2 = typeOf(op2);
    bool result = false;
    if (t1 == ValueType::INT && t2 == ValueType::INT) {
        const std::int32_t left = intOf(op2);
        result = holds(word, left, intOf(op1));
    } else if (isNumeric(t1) && isNumeric(t2)) {
        const float left = realOf(op2);
        result = holds(word, left, realOf(op1));
    } else if (t1 == ValueType::STRING && t2 == ValueType::STRING) {
        const std::string right = stringOf(op1);
        result = holds(word, stringOf(op2), right);
    } else {
        mismatch();
    }
    push(intEntry(result));
}

// "=": the value op1 into the variable op2, converted to the variable's type; the variable
// itself is the result. Its own value is never read.
void StackMachine::assign() {
    const StackEntry op1 = pop();
    const StackEntry op2 = pop();
    if (op2.kind != StackEntry::Kind::VARIABLE)
        throw rtmsg::assignNeedsVariable(pc_);
    Ident* target = op2.variable;
    const ValueType t1 = typeOf(op1);
    const ValueType t2 = typeOf(op2);
    if (t1 == ValueType::INT && t2 == ValueType::INT)
        target->assign(intOf(op1));
    else if (isNumeric(t1) && isNumeric(t2))
        target->assign(realOf(op1));
    else if (t1 == ValueType::STRING && t2 == ValueType::STRING)
        target->assign(stringOf(op1));
    else
        mismatch();
    lastStored_ = target;
    push(op2);
}

// "read": formatted input of the variable's type. Output so far is shown first, so a prompt is
// on the screen before the program waits. A number read must find a number of the type; a
// string read takes the next line that is not empty.
void StackMachine::read() {
    const StackEntry op1 = pop();
    if (op1.kind != StackEntry::Kind::VARIABLE)
        throw rtmsg::readNeedsVariable(pc_);
    Ident* target = op1.variable;
    out.flush();
    checkWritten(out);
    const ValueType type = typeOf(op1);
    if (type == ValueType::INT) {
        target->assign(readIntInput(in, target->getString()));
    } else if (type == ValueType::REAL) {
        target->assign(readRealInput(in, target->getString()));
    } else if (type == ValueType::STRING) {
        std::string line;
        readLineInput(in, line, target->getString());
        target->assign(line);
    } else {
        mismatch();
    }
    lastStored_ = target;
}

// "write": the count n, then n values, printed in the order they were pushed, with nothing
// between them and nothing after the last.
void StackMachine::write() {
    const std::int32_t n = intOf(pop());
    if (n < 0) throw rtmsg::negativeWriteCount(pc_);
    std::vector<StackEntry> items(static_cast<std::size_t>(n));
    for (auto item = items.rbegin(); item != items.rend(); ++item) *item = pop();
    for (const StackEntry& e : items) {
        switch (e.kind) {
            case StackEntry::Kind::VARIABLE: out << e.variable->getStringVal(); break;
            case StackEntry::Kind::INT:
            case StackEntry::Kind::LABEL: out << intToText(e.i); break;
            case StackEntry::Kind::REAL: out << realToText(e.r); break;
            case StackEntry::Kind::STRING: out << e.s; break;
        }
    }
    checkWritten(out);
}

// "jump" pops a label; "jumpfalse" pops a label and then the condition, and jumps only when the
// condition's value is 0. The run goes on after the label's address, which holds a marker.
void StackMachine::jump(bool onlyIfFalse) {
    const StackEntry label = pop();
    const StackEntry condition = onlyIfFalse ? pop() : StackEntry{};
    const int target = jumpTarget(label);
    if (onlyIfFalse && intOf(condition) != 0) return;
    pc_ = target;
}

int StackMachine::jumpTarget(const StackEntry& label) const {
    if (label.kind != StackEntry::Kind::LABEL)
        throw rtmsg::needsLabel(poliz.at(pc_)->getString(), pc_);
    if (label.i < 0 || label.i >= poliz.size()) throw rtmsg::jumpOutside(label.i, pc_);
    return label.i;
}

StackMachine::State StackMachine::save() const {
    State state{pc_, stack_, {}, lastStored_};
    for (const Ident* v : variables_) state.values.push_back(v->save());
    return state;
}

void StackMachine::restore(const State& state) {
    pc_ = state.pc;
    stack_ = state.stack;
    lastStored_ = state.lastStored;
    for (std::size_t k = 0; k < variables_.size(); ++k) variables_[k]->restore(state.values[k]);
}

void StackMachine::mismatch() const { throw rtmsg::typeMismatch(poliz.at(pc_)->getString(), pc_); }
