// Turns the POLIZ items into instructions once, before the run: operator words are looked up
// in the vocabulary here and never again, operands become ready-made stack values, numeric
// statements become cell forms (CellCompiler.cpp) and the translator's other frequent shapes
// are fused.
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <unordered_set>
#include <utility>

#include "fast/Instr.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "poliz/Poliz.h"

namespace {

// The kind of a lexeme fixes its class: each kind is set by exactly one class's constructors.
Instr decodeItem(Lex* item) {
    Instr ins;
    ins.op = Op::PUSH;
    switch (item->getKind()) {
        case IDENT: {
            auto* var = static_cast<Ident*>(item);
            // A variable's type is settled before the run, so its slot kind is fixed here.
            ins.a = Value::ofVar(variableSlot(var->valueType()), var);
            ins.temporary = !var->isLvalue();
            break;
        }
        case NUMBER: ins.a = Value::ofInt(static_cast<const Number*>(item)->getIntVal()); break;
        case REAL: ins.a = Value::ofReal(static_cast<const Real*>(item)->getRealVal()); break;
        case STRINGC: ins.a = Value::ofStrConst(&static_cast<const StringC*>(item)->text()); break;
        case LABEL: ins.a = Value::ofLabel(static_cast<const Label*>(item)->getAddress()); break;
        case KEYWORD:
        case DELIM: ins.op = opOfWord(static_cast<const Word*>(item)->text()); break;
    }
    return ins;
}

bool isOperand(const Instr& ins) { return ins.op == Op::PUSH && ins.a.slot != Slot::LABEL; }

// A label that a jump can use; an out-of-range one keeps the plain form, which reports it.
bool isLabelIn(const Instr& ins, std::size_t n) {
    return ins.op == Op::PUSH && ins.a.slot == Slot::LABEL && ins.a.i >= 0 &&
           static_cast<std::size_t>(ins.a.i) < n;
}

// One element of an item shape: an operand item, an in-range label, any two-operand word, or
// one plain opcode.
struct Want {
    enum class Kind : std::uint8_t { OPERAND, LABEL, BINARY, OP };
    Kind kind;
    Op op = Op::NOP;
    Want(Kind k) : kind(k) {}              // NOLINT: shapes read best without the type name
    Want(Op o) : kind(Kind::OP), op(o) {}  // NOLINT
};
constexpr Want::Kind kOperand = Want::Kind::OPERAND;
constexpr Want::Kind kLabel = Want::Kind::LABEL;
constexpr Want::Kind kBinary = Want::Kind::BINARY;

// Whether the plain instructions from k on have the given shape.
bool matches(const std::vector<Instr>& plain, std::size_t k, std::initializer_list<Want> shape) {
    const std::size_t items = plain.size() - 1;  // the last instruction is HALT
    for (const Want& want : shape) {
        if (k >= items) return false;
        const Instr& ins = plain[k++];
        bool ok = false;
        switch (want.kind) {
            case Want::Kind::OPERAND: ok = isOperand(ins); break;
            case Want::Kind::LABEL: ok = isLabelIn(ins, items); break;
            case Want::Kind::BINARY: ok = isBinary(ins.op); break;
            case Want::Kind::OP: ok = ins.op == want.op; break;
        }
        if (!ok) return false;
    }
    return true;
}

// T, pushed only here, is a variable that holds the same type as `other` would give it.
bool isPrivateTemp(const Value& t, Slot other, const PushCounts& counts) {
    if (!isVariable(t.slot) || t.slot != other) return false;
    return counts.once(t.var);
}

// Turns the plain instruction at k into the fused form of the items starting there, when a
// shape fits; the instructions after k are still plain.
void fuseAt(std::vector<Instr>& plain, std::size_t k, const PushCounts& counts) {
    Instr ins = plain[k];
    if (matches(plain, k, {kLabel, Op::JUMP}) || matches(plain, k, {kLabel, Op::JUMPFALSE})) {
        ins.op = plain[k + 1].op == Op::JUMP ? Op::JUMP_TO : Op::JUMPFALSE_TO;
        ins.target = plain[k].a.i + 1;  // a taken jump continues after the marker
    } else if (matches(plain, k,
                       {kOperand, kOperand, kOperand, kBinary, Op::ASSIGN, kLabel, Op::JUMPFALSE})) {
        ins.op = fused(Shape::CONDITION, plain[k + 3].op);
        ins.target = plain[k + 5].a.i + 1;
        // Every two-operand word on ints gives an int.
        ins.privateTemp = isPrivateTemp(ins.a, Slot::VAR_INT, counts);
    } else if (matches(plain, k,
                       {kOperand, kOperand, kOperand, kOperand, kBinary, Op::ASSIGN, Op::ASSIGN,
                        Op::BACKSPACE})) {
        ins.op = fused(Shape::STATEMENT, plain[k + 4].op);
        ins.privateTemp = isPrivateTemp(ins.a, plain[k + 1].a.slot, counts);
    } else if (matches(plain, k, {kOperand, kOperand, kBinary, kLabel, Op::JUMPFALSE})) {
        ins.op = fused(Shape::BRANCH, plain[k + 2].op);
        ins.target = plain[k + 3].a.i + 1;
    } else if (matches(plain, k, {kOperand, kOperand, kBinary})) {
        ins.op = fused(Shape::WITH_OPERANDS, plain[k + 2].op);
    } else if (matches(plain, k, {Op::ASSIGN, Op::ASSIGN, Op::BACKSPACE})) {
        ins.op = Op::ASSIGN_STMT;
    } else if (matches(plain, k, {Op::ASSIGN, kLabel, Op::JUMPFALSE})) {
        ins.op = Op::ASSIGN_JUMPFALSE;
        ins.target = plain[k + 1].a.i + 1;
    } else if (matches(plain, k, {Op::DUP, kLabel, Op::JUMPFALSE})) {
        ins.op = Op::AND_SHORTCUT;
        ins.target = plain[k + 1].a.i + 1;
    } else if (matches(plain, k, {Op::DUP, Op::NOT, kLabel, Op::JUMPFALSE})) {
        ins.op = Op::OR_SHORTCUT;
        ins.target = plain[k + 2].a.i + 1;
    } else if (matches(plain, k, {kOperand, kBinary})) {
        ins.op = fused(Shape::WITH_OPERAND, plain[k + 1].op);
    } else if (matches(plain, k, {kOperand, Op::ASSIGN})) {
        ins.op = Op::ASSIGN_P;
    } else if (plain[k].op == Op::PUSH && matches(plain, k + 1, {kOperand}) &&
               !matches(plain, k + 1, {kOperand, kOperand, kBinary})) {
        // Not when the second operand begins a fused word: T a b "+" runs best as T, [a b "+"].
        ins.op = Op::PUSH2;
    }
    plain[k] = ins;
}

}  // namespace

Program decode(const Poliz& poliz, bool fuse) {
    const auto n = static_cast<std::size_t>(poliz.size());
    Program program;
    std::vector<Instr>& code = program.code;
    // With room for the cell forms that follow HALT (far fewer than the items, and pages never
    // written are never made resident), so that appending them does not move the rest.
    code.reserve(fuse ? n + 1 + n / 2 : n + 1);
    std::vector<const Ident*> pushedTemps;
    std::unordered_set<const Ident*> named;
    for (std::size_t i = 0; i < n; ++i) {
        const Instr& ins = code.emplace_back(decodeItem(poliz.at(static_cast<int>(i))));
        if (ins.op != Op::PUSH || !isVariable(ins.a.slot)) continue;
        if (ins.temporary) {
            if (fuse) pushedTemps.push_back(ins.a.var);
        } else if (named.insert(ins.a.var).second) {
            // Only a named variable can be unassigned: temporaries are made assigned.
            program.owners.emplace_back(&ins.a.var->cell(), ins.a.var);
        }
    }
    std::sort(program.owners.begin(), program.owners.end(),
              [](const auto& a, const auto& b) { return std::less<const NumCell*>{}(a.first, b.first); });
    code.emplace_back().op = Op::HALT;
    if (!fuse) return program;
    // One pass forward: each item becomes a statement's first cell form or a fused form while
    // the items after it are still plain, where the shapes are sought.
    const PushCounts counts(std::move(pushedTemps));
    std::vector<Instr> tail;
    const std::vector<std::size_t> starts =
        compileStatements(code, program.cells, counts, tail, [&](std::size_t k) { fuseAt(code, k, counts); });
    const std::size_t tailStart = code.size();
    code.insert(code.end(), tail.begin(), tail.end());
    auto link = [&code](Instr& ins) { ins.nextp = &code[static_cast<std::size_t>(ins.next)]; };
    for (std::size_t k : starts) link(code[k]);
    for (std::size_t i = tailStart; i < code.size(); ++i) link(code[i]);
    return program;
}

PushCounts::PushCounts(std::vector<const Ident*> pushedTemps) : shared(std::move(pushedTemps)) {
    std::sort(shared.begin(), shared.end());
    // Keep one entry of every run of two or more.
    auto out = shared.begin();
    for (auto run = shared.begin(); run != shared.end();) {
        auto end = std::find_if(run, shared.end(), [&](const Ident* t) { return t != *run; });
        if (end - run > 1) *out++ = *run;
        run = end;
    }
    shared.erase(out, shared.end());
}

bool PushCounts::once(const Ident* var) const {
    return !var->isLvalue() && !std::binary_search(shared.begin(), shared.end(), var);
}

const Ident* Program::ownerOf(const NumCell* cell) const {
    auto at = std::lower_bound(owners.begin(), owners.end(), cell, [](const auto& owner, const NumCell* c) {
        return std::less<const NumCell*>{}(owner.first, c);
    });
    return at != owners.end() && at->first == cell ? at->second : nullptr;
}
