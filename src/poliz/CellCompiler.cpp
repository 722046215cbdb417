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
// - A statement is compiled only as a whole, from an item where statements start to the
//   "backspace" or "jumpfalse" that leaves the stack as it found it; anything else (strings,
//   labels elsewhere, words outside arithmetic) leaves the fused instructions in place.
#include <algorithm>

#include "poliz/Instr.h"

namespace {

// Statements longer than this stay with the fused instructions.
constexpr std::size_t kMaxItems = 512;

struct Entry {
    enum class Kind : std::uint8_t { VAR, CONST, REG };
    Kind kind;
    ValueType type;  // INT or REAL
    NumCell* cell;
    bool checked;  // known to hold a value: fetching it cannot fail
};

// Instructions of the statement, by local index; a branch's target is an instruction index
// of the whole program.
class StatementCompiler {
public:
    StatementCompiler(const std::vector<Instr>& plain, Program& out, const PushCounts& counts)
        : plain(plain), out(out), counts(counts), items(plain.size() - 1) {}

    // Compiles the statement that starts at item k; false leaves everything as it was.
    bool compile(std::size_t k);

private:
    const std::vector<Instr>& plain;
    Program& out;
    const PushCounts& counts;
    const std::size_t items;  // the last instruction is HALT
    std::vector<Entry> stack;
    std::vector<Instr> ops;
    std::vector<NumCell*> regs;  // shared by all statements: one runs at a time
    std::size_t regsUsed = 0;
    std::vector<const NumCell*> stored;  // variables this statement has assigned so far

    bool isLabelAt(std::size_t p) const {
        const Instr& ins = plain[p];
        return ins.op == Op::PUSH && ins.a.slot == Slot::LABEL && ins.a.i >= 0 &&
               static_cast<std::size_t>(ins.a.i) < items;
    }
    // Where control really goes from instruction p: markers are stepped over and a label with
    // "jump" is followed, as running them would do without any other effect.
    std::int32_t resolve(std::size_t p) const {
        for (int guard = 0; guard < 32 && p < items; ++guard) {
            if (plain[p].op == Op::NOP) {
                ++p;
            } else if (isLabelAt(p) && p + 1 < items && plain[p + 1].op == Op::JUMP) {
                p = static_cast<std::size_t>(plain[p].a.i) + 1;
            } else {
                break;
            }
        }
        return static_cast<std::int32_t>(p);
    }

    NumCell* newReg() {
        if (regsUsed == regs.size()) {
            out.cells.push_back(NumCell{0, 0.0f, true});
            regs.push_back(&out.cells.back());
        }
        return regs[regsUsed++];
    }
    NumCell* newConst(std::int32_t i, float r) {
        out.cells.push_back(NumCell{i, r, true});
        return &out.cells.back();
    }
    bool operand(const Instr& ins, Entry& e);
    Instr& emit(Op op, const NumCell* x, const NumCell* y, NumCell* z) {
        Instr ins;
        ins.op = op;
        ins.x = const_cast<NumCell*>(x);
        ins.y = const_cast<NumCell*>(y);
        ins.z = z;
        ops.push_back(ins);
        return ops.back();
    }
    bool binary(Op word);
    bool unary(Op word);
    bool assign();
    void store(const Entry& target, const Entry& v);
    bool finishCondition(std::size_t labelAt);
    bool knownAssigned(const Entry& e) const {
        return e.checked || std::find(stored.begin(), stored.end(), e.cell) != stored.end();
    }
    void place(std::size_t k, std::int32_t exit);
};

bool StatementCompiler::operand(const Instr& ins, Entry& e) {
    switch (ins.a.slot) {
        case Slot::INT:
            e = {Entry::Kind::CONST, ValueType::INT, newConst(ins.a.i, static_cast<float>(ins.a.i)), true};
            return true;
        case Slot::REAL:
            e = {Entry::Kind::CONST, ValueType::REAL, newConst(truncToInt(ins.a.r), ins.a.r), true};
            return true;
        case Slot::VAR_INT:
        case Slot::VAR_REAL:
            e = {Entry::Kind::VAR, typeOf(ins.a.slot), &ins.a.var->cell(), ins.a.var->isAssigned()};
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
    Op form;
    if (l.type == ValueType::INT && r.type == ValueType::INT) {
        form = Op::II_MUL;
    } else {
        const bool leftInt = l.type == ValueType::INT && l.kind != Entry::Kind::CONST;
        const bool rightInt = r.type == ValueType::INT && r.kind != Entry::Kind::CONST;
        if (leftInt && rightInt) return false;  // cannot happen: one of them is real
        form = leftInt ? Op::IR_MUL : rightInt ? Op::RI_MUL : Op::RR_MUL;
    }
    const bool real = form != Op::II_MUL && !isComparison(word);
    NumCell* z = newReg();
    emit(cellForm(form, word), l.cell, r.cell, z);
    stack.push_back({Entry::Kind::REG, real ? ValueType::REAL : ValueType::INT, z, true});
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
    stack.push_back({Entry::Kind::REG, word == Op::NOT ? ValueType::INT : v.type, z, true});
    return true;
}

// target = v, converted to the target's type; a result computed just before goes straight into
// the target.
void StatementCompiler::store(const Entry& target, const Entry& v) {
    if (v.kind == Entry::Kind::REG && !ops.empty() && ops.back().z == v.cell && v.type == target.type) {
        ops.back().z = target.cell;
    } else if (target.type == ValueType::INT) {
        emit(v.type == ValueType::INT ? Op::MOV_I : Op::R2I, v.cell, nullptr, target.cell);
    } else {
        emit(v.type == ValueType::REAL ? Op::MOV_R : Op::I2R, v.cell, nullptr, target.cell);
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
    const std::int32_t target = resolve(static_cast<std::size_t>(plain[labelAt].a.i) + 1);
    if (c.kind == Entry::Kind::REG && !ops.empty() && ops.back().z == c.cell && isCellComparison(ops.back().op)) {
        ops.back().op = testedForm(ops.back().op);
        ops.back().z = nullptr;
        ops.back().target = target;
        return true;
    }
    Instr& jz = emit(Op::JZ, c.cell, nullptr, nullptr);
    jz.target = target;
    return true;
}

bool StatementCompiler::compile(std::size_t k) {
    stack.clear();
    ops.clear();
    stored.clear();
    regsUsed = 0;
    std::size_t p = k;
    // The temporary T the statement starts with, when no one else pushes it.
    const Instr& first = plain[k];
    bool privateTemp = false;
    if (first.op == Op::PUSH && isVariable(first.a.slot)) {
        const auto found = counts.find(first.a.var);
        privateTemp = found != counts.end() && found->second == 1;
    }
    for (; p < items && p - k < kMaxItems; ++p) {
        const Instr& ins = plain[p];
        switch (ins.op) {
            case Op::PUSH: {
                if (ins.a.slot == Slot::LABEL) {
                    if (p + 1 < items && plain[p + 1].op == Op::JUMPFALSE && stack.size() == 1 && isLabelAt(p)) {
                        // T = v just made and T private: v itself is the condition.
                        if (!finishCondition(p)) return false;
                        place(k, resolve(p + 2));
                        return true;
                    }
                    return false;
                }
                Entry e;
                if (!operand(ins, e)) return false;
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
                                  (plain[p + 1].op == Op::BACKSPACE ||
                                   (isLabelAt(p + 1) && p + 2 < items && plain[p + 2].op == Op::JUMPFALSE));
                const Entry& v = stack.back();
                const Entry& t = stack[0];
                if (last && t.kind == Entry::Kind::VAR && t.cell == &first.a.var->cell() && t.type == v.type &&
                    (knownAssigned(v) || plain[p + 1].op != Op::BACKSPACE)) {
                    // For a condition the test fetches v just as the store would.
                    stack.erase(stack.begin());
                    break;
                }
                if (!assign()) return false;
                break;
            }
            case Op::BACKSPACE:
                if (stack.size() != 1) return false;
                stack.pop_back();
                if (ops.empty()) emit(Op::GOTO, nullptr, nullptr, nullptr);
                place(k, resolve(p + 1));
                return true;
            default: return false;
        }
    }
    return false;
}

// The first instruction goes to the statement's first item, the rest after HALT, each
// continuing with the one after it and the last with `exit`.
void StatementCompiler::place(std::size_t k, std::int32_t exit) {
    std::vector<Instr>& code = out.code;
    const std::size_t base = code.size();  // where ops[1] goes
    for (std::size_t j = 0; j < ops.size(); ++j)
        ops[j].next = j + 1 == ops.size() ? exit : static_cast<std::int32_t>(base + j);
    code[k] = ops[0];
    for (std::size_t j = 1; j < ops.size(); ++j) code.push_back(ops[j]);
}

// Statements start at the first item and after the items that end one or jump.
bool startsStatement(const std::vector<Instr>& plain, std::size_t k) {
    if (plain[k].op != Op::PUSH || plain[k].a.slot == Slot::LABEL) return false;
    if (k == 0) return true;
    switch (plain[k - 1].op) {
        case Op::NOP:
        case Op::JUMP:
        case Op::JUMPFALSE:
        case Op::BACKSPACE:
        case Op::WRITE:
        case Op::READ: return true;
        default: return false;
    }
}

}  // namespace

void compileStatements(const std::vector<Instr>& plain, Program& fused, const PushCounts& counts) {
    StatementCompiler compiler(plain, fused, counts);
    const std::size_t items = plain.size() - 1;
    for (std::size_t k = 0; k < items; ++k)
        if (startsStatement(plain, k)) compiler.compile(k);
}
