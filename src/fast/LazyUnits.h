// The layout a run uses: the units of the translator's record are laid out a run of them at a
// time, the first time control reaches one, so code that never runs costs neither time nor
// memory. runFast and the machine use it; listings and tests read the layout made all at once
// (decode), which runs the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "fast/Instr.h"
#include "fast/UnitLayout.h"

class LazyUnits {
public:
    // The poliz must have the translator's record (units), and keep the lay-out only if
    // labelsKeepToUnits.
    LazyUnits(const Poliz& poliz, bool countLoops);
    LazyUnits(const LazyUnits&) = delete;
    LazyUnits& operator=(const LazyUnits&) = delete;

    bool labelsKeepToUnits() const { return layout.labelsKeepToUnits(); }

    // Instruction i < n is where control enters item i until its unit is laid out: PREPARE,
    // which zeroed memory reads as, then a jump to the unit's instructions. HALT is at n, and
    // the runs of units are laid out after it, as decode lays out the whole program. Pages that
    // are never written are never given memory, so only the units that ran take room.
    Instr* code() { return instructions.start; }
    int items() const { return capacity; }
    // The machine reached the PREPARE at `at`, the first item of a unit: lays out the run of
    // units it belongs to.
    void prepare(int at);

    // The address of the item that a laid-out instruction stands for (the first of a compiled
    // unit's), for the messages that name it.
    int itemOf(int instruction) const;

    // The variable whose cell this is, or null; found only when a run fails on it.
    const Ident* ownerOf(const NumCell* cell);

private:
    // Instructions in zeroed memory, which keeps pages never written free.
    struct Zeroed {
        void* bytes = nullptr;
        Instr* start = nullptr;
        explicit Zeroed(std::size_t count);
        Zeroed(const Zeroed&) = delete;
        Zeroed& operator=(const Zeroed&) = delete;
        ~Zeroed();
    };
    // Units laid out together: enough that control seldom leaves a run, few enough that a run
    // costs little when control only passes through.
    static constexpr std::size_t kUnitsPerRun = 64;
    const Poliz& poliz;
    const int n;
    std::deque<NumCell> cells;  // of constants and intermediate results; they never move
    UnitLayout layout;
    const int capacity;  // the entries, HALT, and each unit's instructions and a jump per run
    Zeroed instructions;
    int laidOut;  // the instructions in use
    // Where each unit laid out begins, in the order laid out, which is that of the instructions.
    std::vector<std::pair<int, std::size_t>> unitAt;

    // Makes code[at] a jump to the item's instruction, once linked.
    void jumpAt(int at, std::int32_t item);

    bool ownersFound = false;
    std::vector<std::pair<const NumCell*, const Ident*>> owners;
};
