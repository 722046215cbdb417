// Integer constants: reading from text, comparison by value, printing.
#include "lexemes/Number.h"

#include "runtime/NumberText.h"

Number::Number(const Buffer& b) : Lex(NUMBER), value(readInt(b.text()).value_or(0)) { setType(kIntType); }

Number::Number(std::int32_t v) : Lex(NUMBER), value(v) { setType(kIntType); }

bool Number::isEqual(std::string_view text) const {
    bool overflowed = false;
    auto read = readInt(text, &overflowed);
    return read && !overflowed && *read == value;
}

std::string Number::getString() const { return intToText(value); }

void Number::neg() { value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)); }
