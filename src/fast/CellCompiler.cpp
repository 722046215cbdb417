// Compiles numeric expression statements and conditions into cell forms before the run: the
// items are executed on a stack of what they would push (variables, constants, results), and
// every operator becomes one operation on number cells whose operand types are known, so no
// value is pushed and no type is tested while the program runs.
//
// What keeps the behaviour of the items exactly:
// - A variable on the stack is a reference, read only when an operator consumes it; a cell form
//   reads its operand cells when it runs, in the place of that operator, so a variable assigned
//   between its push and its use is read with its new value.
// - Every cell form fetches and checks its operands in the order the operator it stands for does
//   (the left one first, the right one first for "/"), so the same unassigned variable is named.
// - The short-circuit chains of "and" and "or" become branches inside the statement. The value a
//   chain leaves when its left operand decides is put into the chain's result cell on the way to
//   the chain's end, where the next item consumes it at once, before anything can change it.
// - A unit the translator recorded is compiled only as a whole, from its first item to the
//   "backspace" or "jumpfalse" that ends it and leaves the stack as it found it; anything else
//   (strings, labels elsewhere, words outside arithmetic) leaves it to the fused instructions.
#include <cassert>
#include <memory>

#include "fast/CellCompiler.h"
#include "fast/StatementCompiler.h"

namespace cellcompiler {

bool StatementCompiler::operand(const Value& a, Entry& e) {
    switch (a.slot) {
        case Slot::INT: e = {Entry::Kind::CONST, ValueType::INT, newConst(a.i), true}; return true;
        case Slot::REAL:
            e = {Entry::Kind::CONST, ValueType::REAL, newConst(truncToInt(a.r), a.r), true};
            return true;
        case Slot::VAR_INT:
        case Slot::VAR_REAL:
            e = {Entry::Kind::VAR, typeOf(a.slot), &a.var->cell(), a.var->isAssigned()};
            return true;
        default: return false;
    }
}

// A two-operand word: int form for two ints, else the real form, with the int operand (other
// than a constant, whose cell holds both values) converted where it is read.
bool StatementCompiler::binary(Op word) {
    const Entry r = stack.back();
    stack.pop_back();
    const Entry l = stack.back();
    stack.pop_back();
    Forms form;
    if (l.type == ValueType::INT && r.type == ValueType::INT) {
        form = Forms::II;
    } else {
        const bool leftInt = l.type == ValueType::INT && l.kind != Entry::Kind::CONST;
        const bool rightInt = r.type == ValueType::INT && r.kind != Entry::Kind::CONST;
        if (leftInt && rightInt) return false;  // cannot happen: one of them is real
        form = leftInt ? Forms::IR : rightInt ? Forms::RI : Forms::RR;
    }
    const bool real = form != Forms::II && !isComparison(binaryWordOf(word));
    NumCell* z = newReg();
    emit(cellForm(form, word), l.cell, r.cell, z);
    safe.back() = knownAssigned(l) && knownAssigned(r);
    stack.push_back({Entry::Kind::REG, real ? ValueType::REAL : ValueType::INT, z, true,
                     isComparison(binaryWordOf(word))});
    return true;
}

bool StatementCompiler::unary(Op word) {
    const Entry v = stack.back();
    stack.pop_back();
    NumCell* z = newReg();
    if (word == Op::NOT) {
        if (v.type != ValueType::INT) return false;
        emit(Op::NOT_I, v.cell, nullptr, z);
    } else {
        emit(v.type == ValueType::INT ? Op::NEG_I : Op::NEG_R, v.cell, nullptr, z);
    }
    safe.back() = knownAssigned(v);
    stack.push_back({Entry::Kind::REG, word == Op::NOT ? ValueType::INT : v.type, z, true, word == Op::NOT});
    return true;
}

// target = v, converted to the target's type; a result computed just before goes straight into
// the target.
void StatementCompiler::store(const Entry& target, const Entry& v) {
    if (lastMade(v) && v.type == target.type) {
        ops.back().cell.z = target.cell;
    } else {
        if (target.type == ValueType::INT)
            emit(v.type == ValueType::INT ? Op::MOV_I : Op::R2I, v.cell, nullptr, target.cell);
        else
            emit(v.type == ValueType::REAL ? Op::MOV_R : Op::I2R, v.cell, nullptr, target.cell);
        safe.back() = knownAssigned(v);
    }
    stored.push_back(target.cell);
}

// "=": the value, then the target, which stays on the stack as the result.
bool StatementCompiler::assign() {
    const Entry v = stack.back();
    stack.pop_back();
    const Entry t = stack.back();
    if (t.kind != Entry::Kind::VAR) return false;
    store(t, v);  // the target now counts as assigned (stored)
    return true;
}

// T label "jumpfalse" with T the only entry left: to the label's target when T is 0. A
// comparison stored into a temporary that no one else sees is tested where it is made.
bool StatementCompiler::finishCondition(std::size_t labelAt) {
    const Entry c = stack.back();
    stack.pop_back();
    if (c.type != ValueType::INT) return false;
    const std::int32_t target = plain(labelAt).a.i + 1;  // an item outside the unit
    if (lastMade(c) && isCellComparison(ops.back().op)) {
        ops.back().op = testedForm(ops.back().op);
        ops.back().cell.z = nullptr;
        ops.back().target = target;
        return true;
    }
    Instr& jz = emit(Op::JZ, c.cell, nullptr, nullptr);
    jz.target = target;
    safe.back() = knownAssigned(c);
    return true;
}

bool StatementCompiler::compile(const std::vector<Instr>& code, std::int32_t firstItem) {
    unit = &code;
    base = firstItem;
    items = code.size() - 1;
    stack.clear();
    ops.clear();
    stored.clear();
    joins.clear();
    localTarget.clear();
    safe.clear();
    barrier = 0;
    regsUsed = 0;
    if (items == 0 || items > kMaxItems) return false;
    // The temporary T the statement starts with, when no one else pushes it.
    const Value first = plain(0).a;
    if (plain(0).op != Op::PUSH || first.slot == Slot::LABEL) return false;
    const bool privateTemp = isVariable(first.slot) && isPrivate(first.var);
    for (std::size_t p = 0; p < items; ++p) {
        const Instr& ins = plain(p);
        switch (ins.op) {
            case Op::PUSH: {
                if (ins.a.slot == Slot::LABEL) {
                    if (p + 2 == items && plain(p + 1).op == Op::JUMPFALSE && stack.size() == 1) {
                        // T = v just made and T private: v itself is the condition.
                        if (!finishCondition(p)) return false;
                        return place();
                    }
                    return false;
                }
                Entry e;
                if (!operand(ins.a, e)) return false;
                stack.push_back(e);
                break;
            }
            case Op::MUL:
            case Op::DIV:
            case Op::SUB:
            case Op::ADD:
            case Op::LT:
            case Op::GT:
            case Op::LE:
            case Op::GE:
            case Op::EQ:
            case Op::NE:
                assert(stack.size() >= 2);  // the translator's operands come first
                if (!binary(ins.op)) return false;
                break;
            case Op::NOT:
            case Op::NEG:
                assert(!stack.empty());
                if (!unary(ins.op)) return false;
                break;
            case Op::ASSIGN: {
                assert(stack.size() >= 2);
                // The statement's own T = v, where nothing but "backspace" or the condition's
                // test follows: the store is left out when no one can see T and fetching v
                // cannot fail. (The HALT after the last item is there to be looked at.)
                const bool last = stack.size() == 2 && privateTemp && p + 1 < items &&
                                  (plain(p + 1).op == Op::BACKSPACE ||
                                   (isLabelAt(p + 1) && plain(p + 2).op == Op::JUMPFALSE));
                const Entry& v = stack.back();
                const Entry& t = stack[0];
                if (last && t.kind == Entry::Kind::VAR && t.cell == &first.var->cell() && t.type == v.type &&
                    (knownAssigned(v) || plain(p + 1).op != Op::BACKSPACE)) {
                    // For a condition the test fetches v just as the store would.
                    stack.erase(stack.begin());
                    break;
                }
                if (!assign()) return false;
                break;
            }
            case Op::AND:
            case Op::OR: {
                assert(stack.size() >= 2);
                const Entry r = stack.back();
                stack.pop_back();
                const Entry l = stack.back();
                stack.pop_back();
                if (l.type != ValueType::INT || r.type != ValueType::INT) return false;
                // Past a tested comparison the left operand is the constant that leaves the
                // decision to the right one: 1 for "and", 0 for "or".
                const std::int32_t neutral = ins.op == Op::AND ? 1 : 0;
                if (l.kind == Entry::Kind::CONST && l.cell->i == neutral && r.truth) {
                    stack.push_back(r);
                    break;
                }
                NumCell* z = newReg();
                emit(ins.op == Op::AND ? Op::AND_I : Op::OR_I, l.cell, r.cell, z);
                stack.push_back({Entry::Kind::REG, ValueType::INT, z, true, true});
                break;
            }
            case Op::DUP:
                if (p + 3 < items && isLabelAt(p + 1) && plain(p + 2).op == Op::JUMPFALSE) {
                    if (!shortcut(p, true)) return false;
                } else if (p + 4 < items && plain(p + 1).op == Op::NOT && isLabelAt(p + 2) &&
                           plain(p + 3).op == Op::JUMPFALSE) {
                    if (!shortcut(p, false)) return false;
                } else {
                    return false;
                }
                break;
            case Op::NOP:
                if (!reachJoin(p)) return false;
                break;
            case Op::BACKSPACE:
                if (stack.size() != 1 || p + 1 != items) return false;
                stack.pop_back();
                if (ops.empty()) emit(Op::GOTO, nullptr, nullptr, nullptr);
                return place();
            default: return false;
        }
    }
    return false;
}

// Links the instructions in order, the last one to the unit's end (kExit); false when a chain
// was left open.
bool StatementCompiler::place() {
    for (const Join& join : joins)
        if (!join.reached) return false;
    const std::size_t mainLength = ops.size();
    for (std::size_t j = 0; j < mainLength; ++j)
        ops[j].next = j + 1 == mainLength ? kExit : static_cast<std::int32_t>(j + 1);
    finish();
    for (std::size_t j = 0; j < ops.size(); ++j)
        if (safe[j]) ops[j].op = uncheckedForm(ops[j].op);
    return true;
}

}  // namespace cellcompiler

CellCompiler::CellCompiler(std::deque<NumCell>& cells, const std::vector<const Ident*>& sharedTemporaries)
    : compiler(std::make_unique<cellcompiler::StatementCompiler>(cells, sharedTemporaries)) {}

CellCompiler::~CellCompiler() = default;

bool CellCompiler::compile(const std::vector<Instr>& unit, std::int32_t base) {
    return compiler->compile(unit, base);
}

const std::vector<Instr>& CellCompiler::code() const { return compiler->code(); }

std::int32_t CellCompiler::localTargetOf(std::size_t j) const { return compiler->localTargetOf(j); }
