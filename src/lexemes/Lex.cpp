// Type-name bookkeeping shared by every lexeme.
#include "lexemes/Lex.h"

ValueType valueTypeOf(const std::string& typeName) {
    if (typeName == kIntType) return ValueType::INT;
    if (typeName == kRealType) return ValueType::REAL;
    if (typeName == kStringType) return ValueType::STRING;
    return ValueType::NONE;
}

void Lex::setType(std::string typeName) {
    tag = valueTypeOf(typeName);
    type = std::move(typeName);
}
