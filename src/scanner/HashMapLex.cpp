// Lexeme table: hashing, probing, insertion and growth.
#include "scanner/HashMapLex.h"

#include <cstring>
#include <iostream>
#include <new>

#include "runtime/NumberText.h"

namespace {

std::uint32_t mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    return x ^ (x >> 16);
}

std::uint32_t textFingerprint(const std::string& text) {
    std::uint32_t h = 2166136261U;
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619U;
    return h;
}

std::uint32_t realFingerprint(float value) {
    if (value == 0.0f) value = 0.0f;  // -0 equals 0
    // memcpy rather than std::bit_cast, which the WebAssembly toolchain's library lacks.
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return mix(bits);
}

}  // namespace

HashMapLex::HashMapLex(int initialSize, KeyForm form)
    : size(initialSize),
      data(static_cast<std::size_t>(initialSize), nullptr),
      fingerprints(static_cast<std::size_t>(initialSize), 0),
      freeSlots(initialSize),
      form(form) {}

HashMapLex::~HashMapLex() {
    for (Lex* lex : data) delete lex;
}

// Only the first character is weighted: 97 * c0 + c1 + ... + c(n-1), characters as signed bytes.
// The sum wraps like 32-bit signed arithmetic (computed unsigned, so long texts stay defined),
// and bytes above 127 may make it negative, so the remainder is brought back into [0, size).
int HashMapLex::hash(const std::string& text) const {
    if (text.empty()) return 0;
    std::uint32_t h = 97u * static_cast<std::uint32_t>(static_cast<signed char>(text[0]));
    for (std::size_t i = 1; i < text.size(); ++i)
        h += static_cast<std::uint32_t>(static_cast<signed char>(text[i]));
    int slot = static_cast<std::int32_t>(h) % size;
    return slot < 0 ? slot + size : slot;
}

bool HashMapLex::keyFingerprint(const std::string& text, std::uint32_t& fingerprint) const {
    bool overflowed = false;
    switch (form) {
        case KeyForm::TEXT: fingerprint = textFingerprint(text); return true;
        case KeyForm::INT: {
            auto value = readInt(text, &overflowed);
            if (!value || overflowed) return false;
            fingerprint = mix(static_cast<std::uint32_t>(*value));
            return true;
        }
        case KeyForm::REAL: {
            auto value = readReal(text, &overflowed);
            if (!value || overflowed) return false;
            fingerprint = realFingerprint(*value);
            return true;
        }
    }
    return false;
}

std::uint32_t HashMapLex::fingerprintOf(const Lex* lex) const {
    const auto* number = dynamic_cast<const SmthNumber*>(lex);
    switch (form) {
        case KeyForm::TEXT: break;
        case KeyForm::INT:
            if (number) return mix(static_cast<std::uint32_t>(number->getIntVal()));
            break;
        case KeyForm::REAL:
            if (number) return realFingerprint(number->getRealVal());
            break;
    }
    return textFingerprint(lex->getString());
}

// Linear probing from the key's hash returns the first equal lexeme before the first empty
// slot. Of the slots holding an equal lexeme, that is the one nearest the start of the run, if
// it lies before the run's end.
int HashMapLex::find(const Buffer& key) const {
    std::uint32_t fingerprint = 0;
    if (!keyFingerprint(key.text(), fingerprint)) return -1;
    const int start = hash(key.text());
    auto distance = [this, start](int slot) { return slot >= start ? slot - start : slot + size - start; };
    // A table with no empty slot (only after its growth ran out of memory) is one endless run.
    // The run's end is sought only once a candidate is equal: most lookups (a name in the
    // keyword table) have none, and the search walks memory all over the table.
    auto runLength = [this, start, &distance] {
        return count == size ? size : distance(freeSlots.firstFrom(start));
    };
    int found = -1;
    int foundDistance = -1;  // the run's length until known, then the found slot's distance
    index.forEach(fingerprint, [&](int slot) {
        const int d = distance(slot);
        if (foundDistance >= 0 && d >= foundDistance) return;
        if (!data[static_cast<std::size_t>(slot)]->isEqual(key)) return;
        if (foundDistance < 0) foundDistance = runLength();
        if (d < foundDistance) {
            found = slot;
            foundDistance = d;
        }
    });
    return found;
}

Lex* HashMapLex::operator[](const Buffer& key) const {
    int slot = find(key);
    return slot < 0 ? nullptr : data[static_cast<std::size_t>(slot)];
}

// The first empty slot from the hash on, as probing upward with wrap-around finds it.
void HashMapLex::place(Lex* lex, std::uint32_t fingerprint) {
    const int i = freeSlots.firstFrom(hash(lex->getString()));
    index.add(fingerprint, i);  // first: the only step that may allocate
    data[static_cast<std::size_t>(i)] = lex;
    fingerprints[static_cast<std::size_t>(i)] = fingerprint;
    freeSlots.fill(i);
}

Lex* HashMapLex::tryToAdd(Lex* lex) {
    if (find(Buffer(lex->getString())) >= 0) return lex;
    // Only a table whose growth ran out of memory can fill up; it must not probe forever.
    if (count == size) throw std::bad_alloc();
    place(lex, fingerprintOf(lex));
    ++count;
    if (static_cast<long long>(count) * 100 >= static_cast<long long>(full) * size) rebuild();
    return lex;
}

void HashMapLex::rebuild() {
    std::vector<Lex*> grownData;
    std::vector<std::uint32_t> grownFingerprints;
    std::optional<FreeSlots> grownFreeSlots;
    try {
        grownData.assign(static_cast<std::size_t>(size) * spreadRate, nullptr);
        grownFingerprints.assign(grownData.size(), 0);
        grownFreeSlots.emplace(size * spreadRate);
    } catch (const std::bad_alloc&) {
        // The table stays as it was: still correct, only fuller than it should be.
        std::cerr << "Out of memory! Improve your machine!";
        return;
    }
    std::swap(data, grownData);
    std::swap(fingerprints, grownFingerprints);
    freeSlots = std::move(*grownFreeSlots);
    index.clear();
    size *= spreadRate;
    // The index keeps its room for `count` entries, so placing them again allocates nothing.
    for (std::size_t i = 0; i < grownData.size(); ++i)
        if (grownData[i] != nullptr) place(grownData[i], grownFingerprints[i]);
}
