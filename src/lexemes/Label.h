// A jump target in the translated program: the address of the marker a jump lands on.
#pragma once

#include "lexemes/Lex.h"
#include "runtime/NumberText.h"

class Label : public Lex {
    std::int32_t value;

public:
    explicit Label(std::int32_t address) : Lex(LABEL), value(address) {}

    bool isEqual(std::string_view text) const override {
        bool overflowed = false;
        auto read = readInt(text, &overflowed);
        return read && !overflowed && *read == value;
    }
    std::string getString() const override { return intToText(value); }
    using Lex::isEqual;

    std::int32_t getAddress() const { return value; }
};
