// Variables: declaration, assignment with conversions, and checked value access.
#include "lexemes/Ident.h"

#include "runtime/NumberText.h"
#include "runtime/RuntimeMessages.h"

Ident::Ident(const Buffer& b)
    : Lex(IDENT), texts(std::make_unique<Texts>(Texts{b.text(), {}})), declared(false), lvalue(true) {}

Ident::Ident(std::string s)
    : Lex(IDENT),
      texts(s.empty() ? nullptr : std::make_unique<Texts>(Texts{{}, std::move(s)})),
      declared(true),
      lvalue(false) {
    num.assigned = true;
}

const std::string Ident::noText;

void Ident::declare(const std::string& t) {
    declared = true;
    setType(t);
}

void Ident::assign(std::string s) {
    stringSlot() = std::move(s);
    num.assigned = true;
}

void Ident::throwUnassigned() const { throw rtmsg::unassigned(getString()); }

std::string Ident::getStringVal() const {
    if (!num.assigned) throwUnassigned();
    switch (tag) {
        case ValueType::STRING: return rawString();
        case ValueType::REAL: return realToText(num.r);
        case ValueType::INT: return intToText(num.i);
        case ValueType::NONE: break;
    }
    return "";
}
