// A real (32-bit float) constant of the source, or one the parser or interpreter makes.
#pragma once

#include "lexemes/Lex.h"

class Real : public Lex, public SmthNumber {
    float value;

public:
    // A constant beyond the float range is infinity.
    explicit Real(const Buffer& b);
    explicit Real(float v);

    bool isEqual(std::string_view text) const override;
    std::string getString() const override;
    float getRealVal() const override { return value; }
    std::int32_t getIntVal() const override;
    using Lex::isEqual;

    void neg() { value = -value; }
};
