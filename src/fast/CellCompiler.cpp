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
#include <algorithm>
#include <functional>
#include <memory>

#include "fast/CellCompiler.h"

namespace cellcompiler {

// Statements longer than this stay with the fused instructions.
constexpr std::size_t kMaxItems = 512;

struct Entry {
    enum class Kind : std::uint8_t { VAR, CONST, REG };
    Kind kind;
    ValueType type;  // INT or REAL
    NumCell* cell;
    bool checked;        // known to hold a value: fetching it cannot fail
    bool truth = false;  // an int known to be 0 or 1
};

// A jump of a chain's left operand to the chain's end, with the value the chain then has.
struct Shortcut {
    enum class Value : std::uint8_t { ZERO, ONE, OPERAND };
    std::size_t branch;  // the instruction that jumps
    Value value;
    NumCell* operand;  // OPERAND: the cell whose value it is
};

// The end marker of a chain: its result cell, the stack depth at which the result lies, and
// the jumps that reach it.
struct Join {
    std::size_t marker;
    std::size_t depth;
    NumCell* result;
    std::size_t storedBefore;
    std::vector<Shortcut> shortcuts;
    std::size_t at = 0;  // the instruction that follows the end, once reached
    bool reached = false;
};

class StatementCompiler {
public:
    StatementCompiler(std::deque<NumCell>& cells, const std::vector<const Ident*>& shared)
        : cells(cells), shared(shared) {}

    bool compile(const std::vector<Instr>& unit, std::int32_t base);
    const std::vector<Instr>& code() const { return ops; }
    std::int32_t localTargetOf(std::size_t j) const { return localTarget[j]; }

private:
    std::deque<NumCell>& cells;
    const std::vector<const Ident*>& shared;
    const std::vector<Instr>* unit = nullptr;
    std::int32_t base = 0;  // the address of the unit's first item
    std::size_t items = 0;  // the unit's items; the instruction after the last is HALT
    std::vector<Entry> stack;
    std::vector<Instr> ops;
    std::vector<NumCell*> regs;  // shared by all statements: one runs at a time
    std::size_t regsUsed = 0;
    std::vector<const NumCell*> stored;  // variables this statement has assigned so far
    std::vector<Join> joins;
    std::vector<std::int32_t> localTarget;  // per instruction: a local jump target, kExit or kNone
    std::size_t barrier = 0;                // instructions before this one may be reached from a jump
    std::vector<bool> safe;                 // per instruction: its operands are known to hold values

    const Instr& plain(std::size_t p) const { return (*unit)[p]; }
    bool isLabelAt(std::size_t p) const {
        return p < items && plain(p).op == Op::PUSH && plain(p).a.slot == Slot::LABEL;
    }
    // The unit's own item a label holds, or `items` when it holds one outside the unit.
    std::size_t localAddress(const Instr& label) const {
        const std::int64_t local = std::int64_t{label.a.i} - base;
        return local >= 0 && local < static_cast<std::int64_t>(items) ? static_cast<std::size_t>(local)
                                                                      : items;
    }
    bool isPrivate(const Ident* var) const {
        return !var->isLvalue() &&
               !std::binary_search(shared.begin(), shared.end(), var, std::less<const Ident*>{});
    }

    NumCell* newReg() {
        if (regsUsed == regs.size()) {
            cells.push_back(NumCell{0, 0.0f, true});
            regs.push_back(&cells.back());
        }
        return regs[regsUsed++];
    }
    NumCell* newConst(std::int32_t i, float r) {
        cells.push_back(NumCell{i, r, true});
        return &cells.back();
    }
    bool operand(const Value& a, Entry& e);
    Instr& emit(Op op, const NumCell* x, const NumCell* y, NumCell* z) {
        Instr ins;
        ins.op = op;
        ins.cell.x = const_cast<NumCell*>(x);
        ins.cell.y = const_cast<NumCell*>(y);
        ins.cell.z = z;
        ops.push_back(ins);
        localTarget.push_back(kNone);
        safe.push_back(false);
        return ops.back();
    }
    // Whether the last instruction made the given result and nothing jumps past it, so that
    // it may be changed to deliver the result elsewhere.
    bool lastMade(const Entry& e) const {
        return e.kind == Entry::Kind::REG && ops.size() > barrier && ops.back().cell.z == e.cell;
    }
    bool shortcut(std::size_t& p, bool isAnd);
    bool reachJoin(std::size_t p);
    void finish();
    bool binary(Op word);
    bool unary(Op word);
    bool assign();
    void store(const Entry& target, const Entry& v);
    bool finishCondition(std::size_t labelAt);
    bool knownAssigned(const Entry& e) const {
        return e.checked || std::find(stored.begin(), stored.end(), e.cell) != stored.end();
    }
    bool place();
};

bool StatementCompiler::operand(const Value& a, Entry& e) {
    switch (a.slot) {
        case Slot::INT:
            e = {Entry::Kind::CONST, ValueType::INT, newConst(a.i, static_cast<float>(a.i)), true};
            return true;
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
    const bool real = form != Forms::II && !isComparison(operationOf(word));
    NumCell* z = newReg();
    emit(cellForm(form, word), l.cell, r.cell, z);
    safe.back() = knownAssigned(l) && knownAssigned(r);
    stack.push_back({Entry::Kind::REG, real ? ValueType::REAL : ValueType::INT, z, true,
                     isComparison(operationOf(word))});
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
    store(t, v);
    stack.back().checked = true;
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

// "dup" label "jumpfalse" (and) or "dup" "not" label "jumpfalse" (or) at p: the left operand on
// top decides when it is 0 (and) or not 0 (or), and then stays as the chain's value.
bool StatementCompiler::shortcut(std::size_t& p, bool isAnd) {
    const std::size_t labelAt = p + (isAnd ? 1 : 2);
    if (stack.empty() || stack.back().type != ValueType::INT || !isLabelAt(labelAt)) return false;
    const std::size_t marker = localAddress(plain(labelAt));
    if (marker >= items || marker <= labelAt + 1 || plain(marker).op != Op::NOP) return false;
    Join* join = nullptr;
    for (Join& j : joins)
        if (j.marker == marker) join = &j;
    if (!join) {
        joins.push_back({marker, stack.size(), newReg(), stored.size(), {}});
        join = &joins.back();
    }
    if (join->reached || join->depth != stack.size()) return false;
    Entry& e = stack.back();
    Shortcut cut{ops.size(), Shortcut::Value::OPERAND, e.cell};
    if (lastMade(e) && isCellComparison(ops.back().op)) {
        // A comparison is tested where it is made; past the jump its value is known.
        Instr& test = ops.back();
        test.op = testedForm(test.op);
        test.cell.z = nullptr;
        test.onTrue = !isAnd;
        cut.branch = ops.size() - 1;
        cut.value = isAnd ? Shortcut::Value::ZERO : Shortcut::Value::ONE;
        e = {Entry::Kind::CONST, ValueType::INT, newConst(isAnd ? 1 : 0, isAnd ? 1.0f : 0.0f), true, true};
    } else {
        emit(isAnd ? Op::JZ : Op::JNZ, e.cell, nullptr, nullptr);
        safe.back() = knownAssigned(e);
        if (isAnd) cut.value = Shortcut::Value::ZERO;
        // Past the jump a result that no one can change is known: 0 for "or", and 1 for "and"
        // when it is 0 or 1. A variable may still change before the operator reads it.
        if (e.kind == Entry::Kind::REG && (!isAnd || e.truth))
            e = {Entry::Kind::CONST, ValueType::INT, newConst(isAnd ? 1 : 0, isAnd ? 1.0f : 0.0f), true,
                 true};
    }
    join->shortcuts.push_back(cut);
    p = labelAt + 1;  // the "jumpfalse"
    return true;
}

// The end marker of a chain at p: the chain's value goes into the result cell, where the jumps
// of the chain deliver theirs; the next item must consume it.
bool StatementCompiler::reachJoin(std::size_t p) {
    Join* join = nullptr;
    for (Join& j : joins)
        if (j.marker == p) join = &j;
    if (!join) return true;  // a marker no jump of this statement aims at has no effect
    if (join->reached || stack.size() != join->depth || stack.back().type != ValueType::INT) return false;
    std::size_t after = p + 1;
    while (after < items && plain(after).op == Op::NOP) ++after;
    if (after >= items) return false;
    switch (plain(after).op) {
        case Op::ASSIGN:
        case Op::AND:
        case Op::OR:
        case Op::DUP: break;
        default: return false;
    }
    const Entry top = stack.back();
    if (lastMade(top))
        ops.back().cell.z = join->result;
    else
        emit(Op::MOV_I, top.cell, nullptr, join->result);
    stack.back() = {Entry::Kind::REG, ValueType::INT, join->result, true, top.truth};
    join->reached = true;
    join->at = ops.size();
    barrier = ops.size();
    // What was assigned only on the way that the jumps skip may still be unassigned.
    stored.resize(std::min(stored.size(), join->storedBefore));
    return true;
}

// Points the jumps of the chains at their ends. Where the end tests the result at once, the
// jumps go on as that test would with the value they bring (0 from "and", not 0 from "or"), and
// the test is made part of the comparison before it when nothing else reaches it; elsewhere a
// jump goes through a store of its value into the result cell.
void StatementCompiler::finish() {
    const auto mainLength = static_cast<std::int32_t>(ops.size());
    auto local = [&](std::size_t at) {
        return static_cast<std::int32_t>(at) == mainLength ? kExit : static_cast<std::int32_t>(at);
    };
    // Chains that end later first: a test at the end of a chain may be a jump of a chain that
    // ends further on, which must know its target before the test is copied.
    std::sort(joins.begin(), joins.end(), [](const Join& a, const Join& b) { return a.marker > b.marker; });
    for (auto join = joins.begin(); join != joins.end(); ++join) {
        const std::size_t at = join->at;
        const bool tested = static_cast<std::int32_t>(at) < mainLength &&
                            (ops[at].op == Op::JZ || ops[at].op == Op::JNZ) && ops[at].cell.x == join->result;
        bool stubs = false;
        for (const Shortcut& cut : join->shortcuts) {
            if (tested) {
                const bool nonZero = cut.value != Shortcut::Value::ZERO;
                const bool taken = ops[at].op == Op::JZ ? !nonZero : nonZero;
                if (taken) {
                    ops[cut.branch].target = ops[at].target;
                    localTarget[cut.branch] = localTarget[at];
                } else {
                    localTarget[cut.branch] = local(at + 1);
                }
                continue;
            }
            stubs = true;
            const NumCell* value = cut.value == Shortcut::Value::OPERAND
                                       ? cut.operand
                                       : newConst(cut.value == Shortcut::Value::ONE,
                                                  cut.value == Shortcut::Value::ONE ? 1.0f : 0.0f);
            localTarget[cut.branch] = static_cast<std::int32_t>(ops.size());
            emit(Op::MOV_I, value, nullptr, join->result).next = local(at);
        }
        if (!tested || stubs || at == 0) continue;
        Instr& made = ops[at - 1];
        if (made.cell.z != join->result || !isCellComparison(made.op)) continue;
        // Only when no other instruction leads to the test or reads the result cell.
        bool usedOtherwise = false;
        for (std::size_t j = 0; j < ops.size(); ++j) {
            if (j == at - 1 || j == at) continue;
            if (ops[j].next == static_cast<std::int32_t>(at) ||
                localTarget[j] == static_cast<std::int32_t>(at) || ops[j].cell.x == join->result ||
                ops[j].cell.y == join->result)
                usedOtherwise = true;
        }
        if (usedOtherwise) continue;
        made.op = testedForm(made.op);
        made.cell.z = nullptr;
        made.onTrue = ops[at].op == Op::JNZ;
        made.target = ops[at].target;
        localTarget[at - 1] = localTarget[at];
        made.next = local(at + 1);
    }
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
                if (stack.size() < 2 || !binary(ins.op)) return false;
                break;
            case Op::NOT:
            case Op::NEG:
                if (stack.empty() || !unary(ins.op)) return false;
                break;
            case Op::ASSIGN: {
                if (stack.size() < 2) return false;
                // The statement's own T = v, where nothing but "backspace" or the condition's
                // test follows: the store is left out when no one can see T and fetching v
                // cannot fail.
                const bool last = stack.size() == 2 && privateTemp && p + 1 < items &&
                                  (plain(p + 1).op == Op::BACKSPACE ||
                                   (isLabelAt(p + 1) && p + 2 < items && plain(p + 2).op == Op::JUMPFALSE));
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
                if (stack.size() < 2) return false;
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
