// Which slots of a lexeme table hold a lexeme with a given key fingerprint: a small hash index
// beside the table, so that a lookup goes straight to its candidates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class SlotIndex {
    struct Entry {
        std::uint32_t fingerprint;
        int slot;  // -1 when the entry is empty
    };
    std::vector<Entry> entries;  // a power of two in length, at most half full
    std::size_t used = 0;

    std::size_t mask() const { return entries.size() - 1; }
    // Fingerprints of numbers and texts differ mostly in their high bits; fold them down.
    std::size_t home(std::uint32_t fingerprint) const {
        const std::uint32_t spread = fingerprint * 2654435769U;
        return (spread ^ (spread >> 16)) & mask();
    }

    void insert(Entry entry) {
        std::size_t i = home(entry.fingerprint);
        while (entries[i].slot >= 0) i = (i + 1) & mask();
        entries[i] = entry;
    }

public:
    SlotIndex() : entries(16, Entry{0, -1}) {}

    void add(std::uint32_t fingerprint, int slot) {
        if ((used + 1) * 2 > entries.size()) {
            std::vector<Entry> old(entries.size() * 2, Entry{0, -1});
            std::swap(old, entries);
            for (const Entry& entry : old)
                if (entry.slot >= 0) insert(entry);
        }
        insert(Entry{fingerprint, slot});
        ++used;
    }

    void clear() {
        entries.assign(entries.size(), Entry{0, -1});
        used = 0;
    }

    // Calls visit(slot) for every slot recorded with the fingerprint.
    template <class Visit>
    void forEach(std::uint32_t fingerprint, Visit visit) const {
        for (std::size_t i = home(fingerprint); entries[i].slot >= 0; i = (i + 1) & mask())
            if (entries[i].fingerprint == fingerprint) visit(entries[i].slot);
    }
};
