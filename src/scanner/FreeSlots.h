// The first empty slot at or after a given one, with wrap-around, in a table whose slots only
// ever fill: the search that linear probing makes for a place, without walking the probe run.
#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

class FreeSlots {
    // An empty slot points at itself, a filled one at a later slot (cyclically) no further than
    // the first empty one after it. Searches halve the paths they walk, so runs stay cheap.
    std::vector<int> next;

    int& at(int slot) { return next[static_cast<std::size_t>(slot)]; }

public:
    explicit FreeSlots(int size) : next(static_cast<std::size_t>(size)) {
        std::iota(next.begin(), next.end(), 0);
    }

    // The first empty slot from `slot` on; the table must have one.
    int firstFrom(int slot) {
        while (at(slot) != slot) {
            at(slot) = next[static_cast<std::size_t>(at(slot))];
            slot = at(slot);
        }
        return slot;
    }

    void fill(int slot) { at(slot) = slot + 1 == static_cast<int>(next.size()) ? 0 : slot + 1; }
};
