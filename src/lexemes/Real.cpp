// Real constants: reading from text, comparison by value, printing.
#include "lexemes/Real.h"

#include "runtime/NumberText.h"

Real::Real(const Buffer& b) : Lex(REAL), value(readReal(b.text()).value_or(0.0f)) { setType(kRealType); }

Real::Real(float v) : Lex(REAL), value(v) { setType(kRealType); }

bool Real::isEqual(std::string_view text) const {
    bool overflowed = false;
    auto read = readReal(text, &overflowed);
    return read && !overflowed && *read == value;
}

std::string Real::getString() const { return realToText(value); }

std::int32_t Real::getIntVal() const { return truncToInt(value); }
