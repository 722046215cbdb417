// Laying out units as control first reaches them (see LazyUnits.h).
#include "fast/LazyUnits.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "fast/ItemDecoding.h"
#include "poliz/Poliz.h"

// Zeroed memory from calloc holds instructions without their constructors having run, which
// C++ allows for a type like this one; zero bytes are PREPARE.
static_assert(std::is_trivially_copyable_v<Instr> && std::is_trivially_destructible_v<Instr>);
static_assert(static_cast<int>(Op::PREPARE) == 0);

LazyUnits::Zeroed::Zeroed(std::size_t count) {
    // calloc aligns for the fundamental types, which may be less than an instruction asks.
    std::size_t room = count * sizeof(Instr) + alignof(Instr);
    bytes = std::calloc(room, 1);
    if (bytes == nullptr) throw std::bad_alloc();
    void* aligned = bytes;
    std::align(alignof(Instr), count * sizeof(Instr), aligned, room);
    start = static_cast<Instr*>(aligned);
}

LazyUnits::Zeroed::~Zeroed() { std::free(bytes); }

LazyUnits::LazyUnits(const Poliz& poliz, bool countLoops)
    : poliz(poliz),
      n(poliz.size()),
      layout(poliz, cells, countLoops),
      capacity(2 * n + 1 + static_cast<int>(layout.units() / kUnitsPerRun + 1)),
      instructions(static_cast<std::size_t>(capacity) + 1),
      laidOut(n + 1) {
    code()[n].op = Op::HALT;
    layout.haltAt(n);
}

void LazyUnits::prepare(int at) {
    // Only the entry of a unit not laid out is PREPARE; the machine reaches no other.
    if (at < 0 || at >= n || layout.startOf(layout.unitOf(at)) != at || code()[at].op != Op::PREPARE)
        throw std::logic_error("no unit to lay out at " + std::to_string(at));
    const std::size_t first = layout.unitOf(at) / kUnitsPerRun * kUnitsPerRun;
    const std::size_t end = std::min(first + kUnitsPerRun, layout.units());
    const int start = laidOut;
    for (std::size_t u = first; u < end; ++u) {
        unitAt.emplace_back(laidOut, u);
        laidOut += static_cast<int>(layout.layOutUnit(u, code(), laidOut));
    }
    // Control that runs off the last unit goes on where the next one is entered.
    jumpAt(laidOut++, layout.endOf(end - 1));
    for (int i = start; i < laidOut; ++i) layout.link(code()[i], code());
    // A unit that starts at the end of the program is empty: its entry is HALT's.
    for (std::size_t u = first; u < end && layout.startOf(u) < n; ++u) {
        jumpAt(layout.startOf(u), layout.startOf(u));
        code()[layout.startOf(u)].target = layout.instructionOf(layout.startOf(u));
    }
}

void LazyUnits::jumpAt(int at, std::int32_t item) {
    Instr& jump = code()[at];
    jump = Instr{};
    jump.op = Op::JUMP_TO;
    jump.target = item;
}

int LazyUnits::itemOf(int instruction) const {
    auto after =
        std::upper_bound(unitAt.begin(), unitAt.end(), instruction,
                         [](int at, const std::pair<int, std::size_t>& unit) { return at < unit.first; });
    if (instruction <= n || after == unitAt.begin()) return instruction;  // an entry, or HALT
    const auto [start, u] = *std::prev(after);
    return layout.startOf(u) + (layout.isCompiled(u) ? 0 : instruction - start);
}

const Ident* LazyUnits::ownerOf(const NumCell* cell) {
    if (!ownersFound) {
        decoding::collectOwners(poliz, owners);
        ownersFound = true;
    }
    return decoding::ownerIn(owners, cell);
}
