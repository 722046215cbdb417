// Laying out the translator's units, all at once or one by one in place (see UnitLayout.h).
#include "fast/UnitLayout.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <new>

#include "lexemes/Label.h"
#include "poliz/Poliz.h"

using namespace decoding;

namespace {

decoding::Temporaries temporariesOf(const Poliz& poliz) {
    decoding::Temporaries temps;
    temps.known = true;
    temps.shared = poliz.facts().sharedTemporaries();
    std::sort(temps.shared.begin(), temps.shared.end(), std::less<const Ident*>{});
    return temps;
}

}  // namespace

UnitLayout::UnitLayout(const Poliz& poliz, std::deque<NumCell>& cells, bool countLoops)
    : poliz(poliz),
      countLoops(countLoops),
      starts(poliz.facts().unitStarts()),
      n(poliz.size()),
      temps(temporariesOf(poliz)),
      compiler(cells, temps.shared),
      placed(static_cast<std::int32_t*>(std::calloc(starts.size() + 1, sizeof(std::int32_t)))),
      compiled(starts.size()) {
    if (!placed) throw std::bad_alloc();
    for (const auto& [marker, to] : poliz.facts().inSequenceLeads()) {
        // The translator records a lead only from a marker of its own to an address of the
        // program.
        assert(marker >= 0 && marker < n && to >= 0 && to <= n && isWordItem(poliz.at(marker), Op::NOP));
        leads.emplace_back(marker, to);
    }
    std::sort(leads.begin(), leads.end());
}

std::optional<std::int32_t> UnitLayout::leadFrom(std::int32_t marker) const {
    auto at = std::lower_bound(leads.begin(), leads.end(), std::pair{marker, std::int32_t{0}});
    return at != leads.end() && at->first == marker ? std::optional(at->second) : std::nullopt;
}

std::size_t UnitLayout::unitOf(std::int32_t item) const {
    return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), item) - starts.begin()) -
           1;
}

bool UnitLayout::labelsKeepToUnits() const {
    if (starts.empty() || starts.front() != 0) return false;
    // Markers are mostly one lexeme, the table's "empty": known once, it is not looked up again.
    const Lex* marker = nullptr;
    return poliz.visitItems([](const Lex* lex) { return lex->getKind() == LABEL; },
                            [this, &marker](std::int32_t i, const Lex* item) {
                                const int target = static_cast<const Label*>(item)->getAddress();
                                // A label leads to a marker, after which control goes on.
                                if (target < 0 || target >= n) return false;
                                const Lex* landing = poliz.at(target);
                                if (landing != marker) {
                                    if (!isWordItem(landing, Op::NOP)) return false;
                                    marker = landing;
                                }
                                const std::size_t u = unitOf(target);
                                return starts[u] == target || u == unitOf(i);
                            });
}

bool UnitLayout::decodeUnit(std::size_t u, std::size_t room) {
    const std::int32_t first = starts[u];
    const std::int32_t end = endOf(u);
    unit.clear();
    for (std::int32_t i = first; i < end; ++i) unit.push_back(decodeItem(poliz.at(i)));
    unit.emplace_back().op = Op::HALT;
    if (compiler.compile(unit, first) && compiler.code().size() <= room) {
        compiled[u] = true;
        return true;
    }
    for (std::size_t k = 0; k + 1 < unit.size(); ++k) fuseAt(unit, k, temps, static_cast<std::size_t>(n));
    // A marker run in sequence jumps where the record says control may go on:
    // [s] c1 t "!=" L(b) "jumpfalse" ... becomes a jump to past the case statement.
    if (end - first == 1 && leadFrom(first)) {
        unit[0].op = Op::JUMP_TO;
        unit[0].target = resolve(first);
    }
    unit.pop_back();
    markLoopJumps(unit, first);
    return false;
}

void UnitLayout::layOutAll(std::vector<Instr>& code) {
    // Room for the usual case, most units compiled; pages never written stay free.
    code.reserve(static_cast<std::size_t>(n) / 2 + 16);
    for (std::size_t u = 0; u < starts.size(); ++u) {
        const auto start = static_cast<std::int32_t>(code.size());
        placed[u] = start + 1;
        if (decodeUnit(u, compiler.code().max_size())) {
            code.resize(code.size() + compiler.code().size());
            placeCells(code.data(), start, endOf(u));
        } else {
            code.insert(code.end(), unit.begin(), unit.end());
        }
    }
    halt = static_cast<std::int32_t>(code.size());
    code.emplace_back().op = Op::HALT;
    for (Instr& ins : code) link(ins, code.data());
}

std::size_t UnitLayout::layOutUnit(std::size_t u, Instr* code, std::int32_t at) {
    const std::int32_t first = starts[u];
    const std::int32_t end = endOf(u);
    placed[u] = at + 1;
    if (decodeUnit(u, static_cast<std::size_t>(end - first))) {
        placeCells(code, at, end);
        return compiler.code().size();
    }
    std::copy(unit.begin(), unit.end(), code + at);
    return unit.size();
}

void UnitLayout::placeCells(Instr* code, std::int32_t start, std::int32_t end) const {
    const std::vector<Instr>& ops = compiler.code();
    for (std::size_t j = 0; j < ops.size(); ++j) {
        Instr& ins = code[static_cast<std::size_t>(start) + j];
        ins = ops[j];
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

// Markers are stepped over (or, reached in sequence, lead on where the record says) and a label
// with "jump" is followed, as running them would do without any other effect. A jump lands
// after its marker, so p is reached in sequence.
std::int32_t UnitLayout::resolve(std::int32_t p) const {
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

std::int32_t UnitLayout::instructionOf(std::int32_t item) const {
    if (item >= n) return halt;
    const std::size_t u = unitOf(item);
    if (placed[u] == 0) return item;
    return placed[u] - 1 + (compiled[u] ? 0 : item - starts[u]);
}

void UnitLayout::link(Instr& ins, Instr* code) const {
    if (isCellForm(ins.op)) {
        if (ins.pending & kTargetIsItem) ins.target = instructionOf(resolve(ins.target));
        if (ins.pending & kNextIsItem) ins.next = instructionOf(resolve(ins.next));
        ins.pending = 0;
        ins.nextp = &code[static_cast<std::size_t>(ins.next)];
        return;
    }
    if (jumpsToItem(ins.op)) ins.target = instructionOf(ins.target);
    // A label's marker is always laid out as an instruction of its own.
    if (ins.a.slot == Slot::LABEL) ins.a.i = instructionOf(ins.a.i);
}
