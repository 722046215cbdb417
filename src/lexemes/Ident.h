// An identifier, which is at the same time the program variable of that name: one object per
// name carries the declaration and the current value. Expressions get unnamed temporaries.
#pragma once

#include "lexemes/Lex.h"

class Ident : public Lex, public SmthNumber, public SmthString {
    std::string name;
    bool declared;
    bool assigned;
    bool lvalue;
    std::int32_t valueInt = 0;
    float valueReal = 0.0f;
    std::string valueString;

public:
    // A name from the source: undeclared and unassigned.
    explicit Ident(const Buffer& b);
    // The temporary variable of an expression: unnamed, declared and assigned from the start.
    explicit Ident(std::string s);

    bool isEqual(const Buffer& b) const override { return b.text() == name; }
    std::string getString() const override { return name; }
    std::string getStringVal() const override;
    std::int32_t getIntVal() const override;
    float getRealVal() const override;
    using Lex::isEqual;

    std::string getType() const { return type; }
    bool isDeclared() const { return declared; }
    bool isLvalue() const { return lvalue; }
    void declare(std::string t);

    void assign(std::int32_t i);
    void assign(float f);
    void assign(std::string s);

    // Unchecked access for the interpreter, which tests isAssigned() itself.
    bool isAssigned() const { return assigned; }
    std::int32_t rawInt() const { return valueInt; }
    float rawReal() const { return valueReal; }
    const std::string& rawString() const { return valueString; }
    std::string& stringSlot() { return valueString; }  // assigns a string in place, keeping capacity
    void markAssigned() { assigned = true; }

    // Throws the unassigned-variable error for this name.
    [[noreturn]] void throwUnassigned() const;
};
