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

#include "fast/CellCompiler.h"
#include "fast/FusedLayout.h"
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

// What the decoder knows of the expression temporaries: the sorted list of those pushed more
// than once, when the translator recorded it.
struct Temporaries {
    bool known = false;
    std::vector<const Ident*> shared;

    // T, pushed only by its expression, is a variable that holds the type `other` gives it.
    bool isPrivate(const Value& t, Slot other) const {
        if (!known || !isVariable(t.slot) || t.slot != other || t.var->isLvalue()) return false;
        return !std::binary_search(shared.begin(), shared.end(), t.var, std::less<const Ident*>{});
    }
};

// Turns the plain instruction at k into the fused form of the items starting there, when a
// shape fits; the instructions after k are still plain.
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

// The fused forms that jump to an item (a label's address + 1) when taken.
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

// Every named variable, with its cell; only a named one can be unassigned, as temporaries are
// made assigned.
void collectOwners(const Poliz& poliz, Program& program) {
    std::unordered_set<const Ident*> named;
    for (int i = 0; i < poliz.size(); ++i) {
        const Lex* item = poliz.at(i);
        if (item->getKind() != IDENT) continue;
        const auto* var = static_cast<const Ident*>(item);
        if (var->isLvalue() && named.insert(var).second) program.owners.emplace_back(&var->cell(), var);
    }
    std::sort(program.owners.begin(), program.owners.end(),
              [](const auto& a, const auto& b) { return std::less<const NumCell*>{}(a.first, b.first); });
}

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
}

// Lays out the translator's units in order: a numeric unit as its cell forms, any other as the
// instructions of its items, fused. Instructions are then numbered by where they lie, and every
// label and jump is mapped from items to them. False, leaving the program unfinished, when a
// label breaks the translator's promise that control enters units only at their first items.
class UnitLayout {
public:
    UnitLayout(const Poliz& poliz, Program& program, bool countLoops)
        : poliz(poliz),
          program(program),
          countLoops(countLoops),
          starts(poliz.facts().unitStarts()),
          n(poliz.size()),
          placed(starts.size()),
          compiled(starts.size()) {
        temps.known = true;
        temps.shared = poliz.facts().sharedTemporaries();
        std::sort(temps.shared.begin(), temps.shared.end(), std::less<const Ident*>{});
        for (const auto& [marker, to] : poliz.facts().inSequenceLeads()) {
            // The translator records a lead only from a marker of its own to an address of the
            // program.
            assert(marker >= 0 && marker < n && to >= 0 && to <= n && isWordItem(poliz.at(marker), Op::NOP));
            leads.emplace_back(marker, to);
        }
        std::sort(leads.begin(), leads.end());
    }

    bool run() {
        if (!labelsKeepToUnits()) return false;
        std::vector<Instr>& code = program.code;
        // Room for the usual case, most units compiled; pages never written stay free.
        code.reserve(static_cast<std::size_t>(n) / 2 + 16);
        CellCompiler compiler(program.cells, temps.shared);
        std::vector<Instr> unit;
        for (std::size_t u = 0; u < starts.size(); ++u) {
            const std::int32_t first = starts[u];
            const std::int32_t end = u + 1 < starts.size() ? starts[u + 1] : n;
            placed[u] = static_cast<std::int32_t>(code.size());
            unit.clear();
            for (std::int32_t i = first; i < end; ++i) unit.push_back(decodeItem(poliz.at(i)));
            unit.emplace_back().op = Op::HALT;
            if (compiler.compile(unit, first)) {
                compiled[u] = true;
                place(compiler, end);
            } else {
                for (std::size_t k = 0; k + 1 < unit.size(); ++k)
                    fuseAt(unit, k, temps, static_cast<std::size_t>(n));
                // A marker run in sequence jumps where the record says control may go on:
                // [s] c1 t "!=" L(b) "jumpfalse" ... becomes a jump to past the case statement.
                if (end - first == 1 && leadFrom(first)) {
                    unit[0].op = Op::JUMP_TO;
                    unit[0].target = resolve(first);
                }
                code.insert(code.end(), unit.begin(), unit.end() - 1);
            }
        }
        halt = static_cast<std::int32_t>(code.size());
        code.emplace_back().op = Op::HALT;
        link();
        return true;
    }

private:
    const Poliz& poliz;
    Program& program;
    // The jumps back to a loop's head stay instructions of their own, which the machine counts.
    const bool countLoops;
    const std::vector<int>& starts;
    const std::int32_t n;
    Temporaries temps;
    std::vector<std::int32_t> placed;  // per unit: its first instruction
    std::vector<bool> compiled;
    std::int32_t halt = 0;
    // The markers where control that arrives in sequence may go on elsewhere, sorted.
    std::vector<std::pair<std::int32_t, std::int32_t>> leads;
    std::optional<std::int32_t> leadFrom(std::int32_t marker) const {
        auto at = std::lower_bound(leads.begin(), leads.end(), std::pair{marker, std::int32_t{0}});
        return at != leads.end() && at->first == marker ? std::optional(at->second) : std::nullopt;
    }

    std::size_t unitOf(std::int32_t item) const {
        return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), item) -
                                        starts.begin()) -
               1;
    }

    bool labelsKeepToUnits() const {
        if (starts.empty() || starts.front() != 0) return false;
        for (std::int32_t i = 0; i < n; ++i) {
            const Lex* item = poliz.at(i);
            if (item->getKind() != LABEL) continue;
            const int target = static_cast<const Label*>(item)->getAddress();
            // A label leads to a marker, after which control goes on.
            if (target < 0 || target >= n || !isWordItem(poliz.at(target), Op::NOP)) return false;
            const std::size_t u = unitOf(target);
            if (starts[u] != target && u != unitOf(i)) return false;
        }
        return true;
    }

    void place(const CellCompiler& compiler, std::int32_t end) {
        std::vector<Instr>& code = program.code;
        const std::vector<Instr>& ops = compiler.code();
        const auto start = static_cast<std::int32_t>(code.size());
        for (std::size_t j = 0; j < ops.size(); ++j) {
            Instr& ins = code.emplace_back(ops[j]);
            if (ins.next == kExit) {
                ins.next = end;
                ins.pending |= kNextIsItem;
            } else {
                ins.next += start;
            }
            if (info(ins.op).family != Family::CELL_JUMP) continue;
            const std::int32_t local = compiler.localTargetOf(j);
            if (local == kNone || local == kExit) {
                if (local == kExit) ins.target = end;
                ins.pending |= kTargetIsItem;
            } else {
                ins.target = start + local;
            }
        }
    }

    // Where control really goes from an item: markers are stepped over (or, reached in sequence,
    // lead on where the record says) and a label with "jump" is followed, as running them would
    // do without any other effect. A jump lands after its marker, so p is reached in sequence.
    std::int32_t resolve(std::int32_t p) const {
        for (int guard = 0; guard < 32 && p < n; ++guard) {
            const Lex* item = poliz.at(p);
            if (isWordItem(item, Op::NOP)) {
                p = leadFrom(p).value_or(p + 1);
            } else if (item->getKind() == LABEL && p + 1 < n && isWordItem(poliz.at(p + 1), Op::JUMP)) {
                const std::int32_t to = static_cast<const Label*>(item)->getAddress() + 1;
                if (countLoops && to <= p) break;
                p = to;
            } else {
                break;
            }
        }
        return p;
    }

    // The instruction of an item where control may enter.
    std::int32_t instructionOf(std::int32_t item) const {
        if (item >= n) return halt;
        const std::size_t u = unitOf(item);
        return placed[u] + (compiled[u] ? 0 : item - starts[u]);
    }

    void link() {
        std::vector<Instr>& code = program.code;
        for (Instr& ins : code) {
            if (isCellForm(ins.op)) {
                if (ins.pending & kTargetIsItem) ins.target = instructionOf(resolve(ins.target));
                if (ins.pending & kNextIsItem) ins.next = instructionOf(resolve(ins.next));
                ins.pending = 0;
                ins.nextp = &code[static_cast<std::size_t>(ins.next)];
                continue;
            }
            if (jumpsToItem(ins.op)) ins.target = instructionOf(ins.target);
            // A label's marker is always laid out as an instruction of its own.
            if (ins.a.slot == Slot::LABEL) ins.a.i = instructionOf(ins.a.i);
        }
    }
};

}  // namespace

Program decode(const Poliz& poliz, bool fuse, bool countLoops) {
    Program program;
    collectOwners(poliz, program);
    if (fuse && poliz.facts().known()) {
        UnitLayout layout(poliz, program, countLoops);
        if (layout.run()) return program;
        program.cells.clear();
    }
    layOutItems(poliz, program, fuse);
    return program;
}

const Ident* Program::ownerOf(const NumCell* cell) const {
    auto at = std::lower_bound(owners.begin(), owners.end(), cell, [](const auto& owner, const NumCell* c) {
        return std::less<const NumCell*>{}(owner.first, c);
    });
    return at != owners.end() && at->first == cell ? at->second : nullptr;
}
