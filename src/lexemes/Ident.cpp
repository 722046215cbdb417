// Variables: declaration, assignment with conversions, and checked value access.
#include "lexemes/Ident.h"

#include "driver/Errors.h"
#include "lexemes/NumberText.h"

Ident::Ident(const Buffer& b) : Lex(IDENT), name(b.getString()), declared(false), assigned(false), lvalue(true) {}

Ident::Ident(std::string s)
    : Lex(IDENT), declared(true), assigned(true), lvalue(false), valueString(std::move(s)) {}

void Ident::declare(std::string t) {
    declared = true;
    setType(std::move(t));
}

void Ident::assign(std::int32_t i) {
    valueInt = i;
    valueReal = static_cast<float>(i);
    assigned = true;
}

void Ident::assign(float f) {
    valueReal = f;
    valueInt = truncToInt(f);
    assigned = true;
}

void Ident::assign(std::string s) {
    valueString = std::move(s);
    assigned = true;
}

void Ident::throwUnassigned() const { throw RuntimeError("Using value of '" + name + "' was not assigned!"); }

std::int32_t Ident::getIntVal() const {
    if (!assigned) throwUnassigned();
    return tag == ValueType::INT ? valueInt : truncToInt(valueReal);
}

float Ident::getRealVal() const {
    if (!assigned) throwUnassigned();
    return tag == ValueType::INT ? static_cast<float>(valueInt) : valueReal;
}

std::string Ident::getStringVal() const {
    if (!assigned) throwUnassigned();
    switch (tag) {
        case ValueType::STRING: return valueString;
        case ValueType::REAL: return realToText(valueReal);
        case ValueType::INT: return intToText(valueInt);
        case ValueType::NONE: break;
    }
    return "";
}
