// Lexeme table: hashing, probing, insertion and growth.
#include "scanner/HashMapLex.h"

#include <cstdint>
#include <iostream>
#include <new>

HashMapLex::HashMapLex(int initialSize) : size(initialSize), data(static_cast<std::size_t>(initialSize), nullptr) {}

HashMapLex::~HashMapLex() {
    for (Lex* lex : data) delete lex;
}

// Only the first character is weighted: 97 * c0 + c1 + ... + c(n-1), characters as signed bytes.
// The sum wraps like 32-bit signed arithmetic (computed unsigned, so long texts stay defined),
// and bytes above 127 may make it negative, so the remainder is brought back into [0, size).
int HashMapLex::hash(const std::string& text) const {
    if (text.empty()) return 0;
    std::uint32_t h = 97u * static_cast<std::uint32_t>(static_cast<signed char>(text[0]));
    for (std::size_t i = 1; i < text.size(); ++i) h += static_cast<std::uint32_t>(static_cast<signed char>(text[i]));
    int slot = static_cast<std::int32_t>(h) % size;
    return slot < 0 ? slot + size : slot;
}

int HashMapLex::find(const Buffer& key) const {
    const int start = hash(key.text());
    for (int i = start;;) {
        if (data[static_cast<std::size_t>(i)] == nullptr) return -1;
        if (data[static_cast<std::size_t>(i)]->isEqual(key)) return i;
        i = i + 1 == size ? 0 : i + 1;
        if (i == start) return -1;
    }
}

Lex* HashMapLex::operator[](const Buffer& key) const {
    int slot = find(key);
    return slot < 0 ? nullptr : data[static_cast<std::size_t>(slot)];
}

Lex* HashMapLex::tryToAdd(Lex* lex) {
    const std::string text = lex->getString();
    if (find(Buffer(text)) >= 0) return lex;
    // Only a table whose growth ran out of memory can fill up; it must not probe forever.
    if (count == size) throw std::bad_alloc();
    int i = hash(text);
    while (data[static_cast<std::size_t>(i)] != nullptr) i = i + 1 == size ? 0 : i + 1;
    data[static_cast<std::size_t>(i)] = lex;
    ++count;
    if (static_cast<long long>(count) * 100 >= static_cast<long long>(full) * size) rebuild();
    return lex;
}

void HashMapLex::rebuild() {
    std::vector<Lex*> grown;
    try {
        grown.assign(static_cast<std::size_t>(size) * spreadRate, nullptr);
    } catch (const std::bad_alloc&) {
        // The table stays as it was: still correct, only fuller than it should be.
        std::cerr << "Out of memory! Improve your machine!";
        return;
    }
    std::swap(data, grown);
    size *= spreadRate;
    for (Lex* lex : grown) {
        if (lex == nullptr) continue;
        int i = hash(lex->getString());
        while (data[static_cast<std::size_t>(i)] != nullptr) i = i + 1 == size ? 0 : i + 1;
        data[static_cast<std::size_t>(i)] = lex;
    }
}
