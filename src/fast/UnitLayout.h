// Lays out the units the translator recorded (see PolizFacts): a numeric unit as its cell forms,
// any other as the instructions of its items, fused. Decode.cpp lays them all out at once, one
// after another; LazyUnits lays them out a run of units at a time, when control first reaches one.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "fast/CellCompiler.h"
#include "fast/Instr.h"
#include "fast/ItemDecoding.h"

class UnitLayout {
public:
    // countLoops keeps every jump back to a loop's head an instruction of its own (see decode).
    UnitLayout(const Poliz& poliz, std::deque<NumCell>& cells, bool countLoops);

    // Whether the translator's promise holds that control enters units only at their first
    // items: every label leads to a marker at the start of a unit or inside its own unit.
    bool labelsKeepToUnits() const;

    // Every unit in order, appended to code, then HALT; instructions are numbered by where they
    // lie, and every label and jump is mapped from items to them.
    void layOutAll(std::vector<Instr>& code);

    // One unit at a time, for LazyUnits. An item's instruction is `halt` past the last item,
    // the one laid out for it once its unit is, and until then the item's own address.
    std::size_t units() const { return starts.size(); }
    std::size_t unitOf(std::int32_t item) const;
    std::int32_t startOf(std::size_t u) const { return starts[u]; }
    std::int32_t endOf(std::size_t u) const { return u + 1 < starts.size() ? starts[u + 1] : n; }
    void haltAt(std::int32_t instruction) { halt = instruction; }
    // Writes unit u's instructions to code[at ...], at most as many as it has items, unlinked;
    // returns how many there are.
    std::size_t layOutUnit(std::size_t u, Instr* code, std::int32_t at);
    bool isCompiled(std::size_t u) const { return compiled[u]; }
    std::int32_t instructionOf(std::int32_t item) const;
    // Maps an instruction's item addresses to instructions, once every unit it names is placed.
    void link(Instr& ins, Instr* code) const;

private:
    const Poliz& poliz;
    // The jumps back to a loop's head stay instructions of their own, which the machine counts.
    const bool countLoops;
    const std::vector<int>& starts;
    const std::int32_t n;
    decoding::Temporaries temps;
    CellCompiler compiler;
    std::vector<Instr> unit;  // the unit being laid out, decoded plain, then HALT
    // Per unit: one past its first instruction, or 0 until laid out. In memory from calloc,
    // whose pages stay free until written: a run lays out few units, and a program's every
    // unit would cost 4 bytes at the run's peak.
    struct FreeMemory {
        void operator()(std::int32_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::int32_t[], FreeMemory> placed;
    std::vector<bool> compiled;
    std::int32_t halt = 0;
    // The markers where control that arrives in sequence may go on elsewhere, sorted.
    std::vector<std::pair<std::int32_t, std::int32_t>> leads;

    std::optional<std::int32_t> leadFrom(std::int32_t marker) const;
    // Decodes unit u into `unit`: true when it compiled into at most `room` cell forms, which
    // the compiler then holds; else `unit` holds its fused instructions.
    bool decodeUnit(std::size_t u, std::size_t room);
    // Copies the compiled cell forms to code[start ...], their links still local or items.
    void placeCells(Instr* code, std::int32_t start, std::int32_t end) const;
    // Where control really goes from an item, markers and plain jumps stepped over.
    std::int32_t resolve(std::int32_t p) const;
};
