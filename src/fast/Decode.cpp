// Turns the POLIZ items into instructions once, before the run: operator words are looked up
// in the vocabulary here and never again, operands become ready-made stack values, the numeric
// units the translator recorded become cell forms (CellCompiler.cpp) and the other frequent
// item shapes are fused.
#include <algorithm>
#include <cassert>
#include <functional>
#include <initializer_list>
#include <optional>
#include <unordered_set>
#include <utility>

#include "fast/FusedLayout.h"
#include "fast/Instr.h"
#include "fast/ItemDecoding.h"
#include "fast/LazyUnits.h"
#include "fast/UnitLayout.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "poliz/Poliz.h"

namespace {

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

bool fitsItem(const Instr& ins, const Want& want, std::size_t labels) {
    switch (want.kind) {
        case Want::Kind::OPERAND: return isOperand(ins);
        case Want::Kind::LABEL: return isLabelIn(ins, labels);
        case Want::Kind::BINARY: return isBinary(ins.op);
        case Want::Kind::OP: return ins.op == want.op;
    }
    return false;
}

// An item of a fused word's pattern (FusedLayout.h) as the element it asks for.
Want wantOf(ShapeItem item) {
    switch (item) {
        case ShapeItem::OPERAND: return kOperand;
        case ShapeItem::WORD: return kBinary;
        case ShapeItem::ASSIGN: return Op::ASSIGN;
        case ShapeItem::BACKSPACE: return Op::BACKSPACE;
        case ShapeItem::LABEL: return kLabel;
        case ShapeItem::JUMPFALSE: return Op::JUMPFALSE;
        case ShapeItem::END: break;
    }
    return Op::HALT;  // matches no item
}

// Whether the plain instructions from k on have the given shape; `labels` is the number of items
// of the whole program, which a label may lead to.
bool matches(const std::vector<Instr>& plain, std::size_t k, std::initializer_list<Want> shape,
             std::size_t labels) {
    const std::size_t items = plain.size() - 1;  // the last instruction is HALT
    for (const Want& want : shape)
        if (k >= items || !fitsItem(plain[k++], want, labels)) return false;
    return true;
}

bool matchesLayout(const std::vector<Instr>& plain, std::size_t k, const FusedLayout& layout,
                   std::size_t labels) {
    const std::size_t items = plain.size() - 1;
    if (k + static_cast<std::size_t>(layout.length) > items) return false;
    for (int j = 0; j < layout.length; ++j)
        if (!fitsItem(plain[k + static_cast<std::size_t>(j)],
                      wantOf(layout.items[static_cast<std::size_t>(j)]), labels))
            return false;
    return true;
}

}  // namespace

namespace decoding {

// The kind of a lexeme fixes its class: each kind is set by exactly one class's constructors.
Instr decodeItem(Lex* item) {
    Instr ins;
    ins.op = Op::PUSH;
    switch (item->getKind()) {
        case IDENT: {
            auto* var = static_cast<Ident*>(item);
            // A variable's type is settled before the run, so its slot kind is fixed here.
            ins.a = Value::ofVar(variableSlot(var->valueType()), var);
            break;
        }
        case NUMBER: ins.a = Value::ofInt(static_cast<const Number*>(item)->getIntVal()); break;
        case REAL: ins.a = Value::ofReal(static_cast<const Real*>(item)->getRealVal()); break;
        case STRINGC: ins.a = Value::ofStrConst(&static_cast<const StringC*>(item)->text()); break;
        case LABEL: ins.a = Value::ofLabel(static_cast<const Label*>(item)->getAddress()); break;
        case KEYWORD:
        case DELIM: ins.op = plainOpOf(operationOf(static_cast<const Word*>(item)->text())); break;
    }
    return ins;
}

void fuseAt(std::vector<Instr>& plain, std::size_t k, const Temporaries& temps, std::size_t labels) {
    auto fits = [&](std::size_t at, std::initializer_list<Want> shape) {
        return matches(plain, at, shape, labels);
    };
    Instr ins = plain[k];
    // A fused word from its layout: the opcode of the word it covers, and the target of its
    // "jumpfalse"'s label.
    auto fitsWord = [&](Shape shape) {
        const FusedLayout layout = layoutOf(shape);
        if (!matchesLayout(plain, k, layout, labels)) return false;
        ins.op = fused(shape, plain[k + static_cast<std::size_t>(layout.word)].op);
        if (layout.label >= 0) ins.target = plain[k + static_cast<std::size_t>(layout.label)].a.i + 1;
        return true;
    };
    // A shape that begins another is tried after it (BRANCH before WITH_OPERANDS, all before
    // PUSH2); the others differ in their first two items.
    if (fits(k, {kLabel, Op::JUMP}) || fits(k, {kLabel, Op::JUMPFALSE})) {
        ins.op = plain[k + 1].op == Op::JUMP ? Op::JUMP_TO : Op::JUMPFALSE_TO;
        ins.target = plain[k].a.i + 1;  // a taken jump continues after the marker
        ins.next = ins.target;          // the item, kept when target becomes an instruction
    } else if (fitsWord(Shape::CONDITION)) {
        // Every two-operand word on ints gives an int.
        ins.privateTemp = temps.isPrivate(ins.a, Slot::VAR_INT);
    } else if (fitsWord(Shape::STATEMENT)) {
        ins.privateTemp = temps.isPrivate(ins.a, plain[k + 1].a.slot);
    } else if (fitsWord(Shape::BRANCH) || fitsWord(Shape::WITH_OPERANDS) || fitsWord(Shape::WITH_OPERAND)) {
        // fitsWord has set the opcode and the target.
    } else if (fits(k, {Op::ASSIGN, Op::ASSIGN, Op::BACKSPACE})) {
        ins.op = Op::ASSIGN_STMT;
    } else if (fits(k, {Op::ASSIGN, kLabel, Op::JUMPFALSE})) {
        ins.op = Op::ASSIGN_JUMPFALSE;
        ins.target = plain[k + 1].a.i + 1;
    } else if (fits(k, {Op::DUP, kLabel, Op::JUMPFALSE})) {
        ins.op = Op::AND_SHORTCUT;
        ins.target = plain[k + 1].a.i + 1;
    } else if (fits(k, {Op::DUP, Op::NOT, kLabel, Op::JUMPFALSE})) {
        ins.op = Op::OR_SHORTCUT;
        ins.target = plain[k + 2].a.i + 1;
    } else if (fits(k, {kOperand, Op::ASSIGN})) {
        ins.op = Op::ASSIGN_P;
    } else if (plain[k].op == Op::PUSH && fits(k + 1, {kOperand}) &&
               !fits(k + 1, {kOperand, kOperand, kBinary})) {
        // Not when the second operand begins a fused word: T a b "+" runs best as T, [a b "+"].
        ins.op = Op::PUSH2;
    }
    plain[k] = ins;
}

void markLoopJumps(std::vector<Instr>& plain, std::int32_t first) {
    for (std::size_t k = 0; k < plain.size(); ++k) {
        Instr& ins = plain[k];
        if (ins.op == Op::JUMP_TO && ins.a.slot == Slot::LABEL)
            ins.onTrue = ins.next <= first + static_cast<std::int32_t>(k);
    }
}

bool jumpsToItem(Op op) {
    const Shape shape = info(op).shape;
    if (info(op).family != Family::FUSED) return false;
    if (shape == Shape::CONDITION || shape == Shape::BRANCH) return true;
    switch (op) {
        case Op::ASSIGN_JUMPFALSE:
        case Op::AND_SHORTCUT:
        case Op::OR_SHORTCUT:
        case Op::JUMP_TO:
        case Op::JUMPFALSE_TO: return true;
        default: return false;
    }
}

bool isWordItem(const Lex* item, Op op) {
    const KindOfLex kind = item->getKind();
    return (kind == KEYWORD || kind == DELIM) &&
           plainOpOf(operationOf(static_cast<const Word*>(item)->text())) == op;
}

void collectOwners(const Poliz& poliz, std::vector<std::pair<const NumCell*, const Ident*>>& owners) {
    std::unordered_set<const Ident*> named;
    for (int i = 0; i < poliz.size(); ++i) {
        const Lex* item = poliz.at(i);
        if (item->getKind() != IDENT) continue;
        const auto* var = static_cast<const Ident*>(item);
        if (var->isLvalue() && named.insert(var).second) owners.emplace_back(&var->cell(), var);
    }
    std::sort(owners.begin(), owners.end(),
              [](const auto& a, const auto& b) { return std::less<const NumCell*>{}(a.first, b.first); });
}

const Ident* ownerIn(const std::vector<std::pair<const NumCell*, const Ident*>>& owners,
                     const NumCell* cell) {
    auto at = std::lower_bound(owners.begin(), owners.end(), cell, [](const auto& owner, const NumCell* c) {
        return std::less<const NumCell*>{}(owner.first, c);
    });
    return at != owners.end() && at->first == cell ? at->second : nullptr;
}

}  // namespace decoding

using namespace decoding;

namespace {

// Instruction i for item i, then HALT; with fuse, the shapes are fused.
void layOutItems(const Poliz& poliz, Program& program, bool fuse) {
    std::vector<Instr>& code = program.code;
    const auto n = static_cast<std::size_t>(poliz.size());
    code.clear();
    code.reserve(n + 1);
    for (std::size_t i = 0; i < n; ++i) code.push_back(decodeItem(poliz.at(static_cast<int>(i))));
    code.emplace_back().op = Op::HALT;
    if (!fuse) return;
    const Temporaries unknown;
    for (std::size_t k = 0; k < n; ++k) fuseAt(code, k, unknown, n);
    markLoopJumps(code, 0);
}

}  // namespace

Program decode(const Poliz& poliz, bool fuse, bool countLoops) {
    Program program;
    collectOwners(poliz, program.owners);
    if (fuse && poliz.facts().known()) {
        UnitLayout layout(poliz, program.cells, countLoops);
        if (layout.labelsKeepToUnits()) {
            layout.layOutAll(program.code);
            return program;
        }
        program.cells.clear();
    }
    layOutItems(poliz, program, fuse);
    return program;
}

Program decodeForRun(const Poliz& poliz, bool countLoops) {
    if (poliz.facts().known()) {
        auto lazy = std::make_unique<LazyUnits>(poliz, countLoops);
        if (lazy->labelsKeepToUnits()) {
            Program program;
            program.lazy = std::move(lazy);
            return program;
        }
    }
    return decode(poliz, true, countLoops);
}

Program::Program() = default;
Program::Program(Program&&) noexcept = default;
Program& Program::operator=(Program&&) noexcept = default;
Program::~Program() = default;

const Ident* Program::ownerOf(const NumCell* cell) const {
    return lazy ? lazy->ownerOf(cell) : ownerIn(owners, cell);
}
