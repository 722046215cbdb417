// Type-name bookkeeping shared by every lexeme.
#include "lexemes/Lex.h"

#include <cstddef>

ValueType valueTypeOf(const std::string& typeName) {
    if (typeName == kIntType) return ValueType::INT;
    if (typeName == kRealType) return ValueType::REAL;
    if (typeName == kStringType) return ValueType::STRING;
    return ValueType::NONE;
}

const std::string& typeNameOf(ValueType t) {
    static const std::string names[] = {"", kIntType, kRealType, kStringType};
    return names[static_cast<std::size_t>(t)];
}

// Every type name a lexeme is given is one of the language's three.
void Lex::setType(const std::string& typeName) { tag = valueTypeOf(typeName); }
