// Variables: declaration, assignment with conversions, and checked value access.
#include "lexemes/Ident.h"

#include "runtime/NumberText.h"
#include "runtime/RuntimeMessages.h"

Ident::Ident(const Buffer& b) : Lex(IDENT), name(b.getString()), declared(false), lvalue(true) {}

Ident::Ident(std::string s) : Lex(IDENT), declared(true), lvalue(false), valueString(std::move(s)) {
    num.assigned = true;
}

void Ident::declare(const std::string& t) {
    declared = true;
    setType(t);
}

void Ident::assign(std::string s) {
    valueString = std::move(s);
    num.assigned = true;
}

void Ident::throwUnassigned() const { throw rtmsg::unassigned(name); }

std::int32_t Ident::getIntVal() const {
    if (!num.assigned) throwUnassigned();
    return tag == ValueType::INT ? num.i : truncToInt(num.r);
}

float Ident::getRealVal() const {
    if (!num.assigned) throwUnassigned();
    return tag == ValueType::INT ? static_cast<float>(num.i) : num.r;
}

std::string Ident::getStringVal() const {
    if (!num.assigned) throwUnassigned();
    switch (tag) {
        case ValueType::STRING: return valueString;
        case ValueType::REAL: return realToText(num.r);
        case ValueType::INT: return intToText(num.i);
        case ValueType::NONE: break;
    }
    return "";
}
