// An integer constant of the source, or an integer the parser or interpreter makes.
#pragma once

#include "lexemes/Lex.h"

class Number : public Lex, public SmthNumber {
    std::int32_t value;

public:
    // A digit string beyond 32 bits takes the largest integer, as formatted input stores it.
    explicit Number(const Buffer& b);
    explicit Number(std::int32_t v);

    bool isEqual(std::string_view text) const override;
    std::string getString() const override;
    std::int32_t getIntVal() const override { return value; }
    float getRealVal() const override { return static_cast<float>(value); }
    using Lex::isEqual;

    void neg();  // in place, wrapping: the smallest integer stays itself
};
