// The scanner's character accumulator; its text is also the key of lexeme table lookups.
#pragma once

#include <string>

class Buffer {
    std::string buf;

public:
    Buffer() = default;
    explicit Buffer(std::string s) : buf(std::move(s)) {}

    void add(char c) { buf.push_back(c); }
    void clear() { buf.clear(); }
    std::string getString() const { return buf; }
    // The text without a copy, for lookups on the scanner's hot path.
    const std::string& text() const { return buf; }
};
