// An open-addressing hash table of lexemes keyed by their text: linear probing with
// wrap-around, no deletion, doubling at 70 % load. It owns every lexeme it stores.
#pragma once

#include <string>
#include <vector>

#include "lexemes/Buffer.h"
#include "lexemes/Lex.h"

class HashMapLex {
    int size;
    int count = 0;
    std::vector<Lex*> data;

    static constexpr int full = 70;       // load limit, in percent
    static constexpr int spreadRate = 2;  // growth factor

    int hash(const std::string& text) const;
    // The slot holding the lexeme equal to the key, or -1; probes from the key's hash.
    int find(const Buffer& key) const;
    void rebuild();

public:
    explicit HashMapLex(int initialSize);
    ~HashMapLex();
    HashMapLex(const HashMapLex&) = delete;
    HashMapLex& operator=(const HashMapLex&) = delete;

    // The stored lexeme the text denotes, or null.
    Lex* operator[](const Buffer& key) const;
    // Stores the lexeme unless an equal one is present (then it stays the caller's); returns it.
    Lex* tryToAdd(Lex* lex);

    int slots() const { return size; }
    int stored() const { return count; }
};
