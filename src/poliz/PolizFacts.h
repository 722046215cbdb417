// What the translator knows about the program it appends, kept beside the items so that a
// backend need not rediscover it: where its units of code start and which expression
// temporaries are pushed more than once.
#pragma once

#include <utility>
#include <vector>

#include "lexemes/Ident.h"

// A unit is a run of items that control enters only at its first item (or at a marker inside
// it that only its own jumps reach): an expression statement with its "backspace", a condition
// with its label and "jumpfalse", a label and "jump", a marker, a read, a write, a case label's
// test. Every label the translator makes holds the address of a unit's first item or of a
// marker that ends a short-circuit chain in the same unit.
class PolizFacts {
    std::vector<int> starts;                      // ascending
    std::vector<const Ident*> sharedTemps;        // pushed again after their expression
    std::vector<std::pair<int, int>> inSequence;  // (marker, where control may go on instead)

public:
    // The translator begins a unit at `address`, the address of the next item.
    void startUnit(int address) {
        if (starts.empty() || starts.back() < address) starts.push_back(address);
    }
    // An expression temporary is pushed once more (a case selector, for each label).
    void shareTemporary(const Ident* temp) {
        if (sharedTemps.empty() || sharedTemps.back() != temp) sharedTemps.push_back(temp);
    }

    // Control that reaches the marker at `marker` in sequence (not by a jump, which lands after
    // it) may go on at `to` instead: what runs in between then has no effect.
    void leadOnInSequence(int marker, int to) { inSequence.emplace_back(marker, to); }

    // Whether a translator recorded the program; a program built by hand has no units.
    bool known() const { return !starts.empty(); }
    const std::vector<int>& unitStarts() const { return starts; }
    // The temporaries that someone besides their own expression pushes (perhaps repeated);
    // every other temporary is private to its expression.
    const std::vector<const Ident*>& sharedTemporaries() const { return sharedTemps; }
    // The markers of leadOnInSequence, in the order they were recorded.
    const std::vector<std::pair<int, int>>& inSequenceLeads() const { return inSequence; }
};
