// An open-addressing hash table of lexemes keyed by their text: linear probing with
// wrap-around, no deletion, doubling at 70 % load. It owns every lexeme it stores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lexemes/Buffer.h"
#include "lexemes/Lex.h"
#include "scanner/FreeSlots.h"
#include "scanner/SlotIndex.h"

// How a key text is compared with stored lexemes: as text, or by the integer or real value it
// denotes (so that 7 and 007 find the same constant).
enum class KeyForm : std::uint8_t { TEXT, INT, REAL };

class HashMapLex {
    int size;
    int count = 0;
    std::vector<Lex*> data;
    // A fingerprint of each stored lexeme's key, equal for every text the lexeme isEqual to.
    std::vector<std::uint32_t> fingerprints;
    // The table's hash clusters similar texts (v00001, v00010 ...) into probe runs thousands of
    // slots long. Lookups and insertions give exactly what walking those runs would, but find
    // the candidates through the index and the end of a run through the free-slot structure.
    SlotIndex index;
    mutable FreeSlots freeSlots;
    KeyForm form;

    static constexpr int full = 70;       // load limit, in percent
    static constexpr int spreadRate = 2;  // growth factor

    int hash(const std::string& text) const;
    // False when the text can equal no lexeme of this table (an unreadable number). Not an
    // optional: returned in two parts and read back whole, it stalled every lookup.
    bool keyFingerprint(const std::string& text, std::uint32_t& fingerprint) const;
    std::uint32_t fingerprintOf(const Lex* lex) const;
    // The slot holding the lexeme equal to the key, or -1; probes from the key's hash.
    int find(const Buffer& key) const;
    void place(Lex* lex, std::uint32_t fingerprint);
    void rebuild();

public:
    explicit HashMapLex(int initialSize, KeyForm form = KeyForm::TEXT);
    ~HashMapLex();
    HashMapLex(const HashMapLex&) = delete;
    HashMapLex& operator=(const HashMapLex&) = delete;

    // The stored lexeme the text denotes, or null.
    Lex* operator[](const Buffer& key) const;
    // Stores the lexeme unless an equal one is present (then it stays the caller's); returns it.
    Lex* tryToAdd(Lex* lex);

    int slots() const { return size; }
    // The lexeme in a slot, or null; for checking placement.
    Lex* inSlot(int slot) const { return data[static_cast<std::size_t>(slot)]; }
    int stored() const { return count; }
};
