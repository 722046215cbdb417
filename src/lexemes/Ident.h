// An identifier, which is at the same time the program variable of that name: one object per
// name carries the declaration and the current value. Expressions get unnamed temporaries.
#pragma once

#include "lexemes/Lex.h"
#include "runtime/NumberText.h"

// A variable's numeric value, kept together with whether it was ever assigned, so that a machine
// can address variables, constants and its own intermediate results alike. The field of the
// variable's type holds its value; the other one is kept in step for the checked getters.
struct NumCell {
    std::int32_t i = 0;
    float r = 0.0f;
    bool assigned = false;
};

class Ident : public Lex, public SmthNumber, public SmthString {
    std::string name;
    bool declared;
    bool lvalue;
    NumCell num;
    std::string valueString;

public:
    // A name from the source: undeclared and unassigned.
    explicit Ident(const Buffer& b);
    // The temporary variable of an expression: unnamed, declared and assigned from the start.
    explicit Ident(std::string s);

    bool isEqual(std::string_view text) const override { return text == name; }
    std::string getString() const override { return name; }
    std::string getStringVal() const override;
    std::int32_t getIntVal() const override;
    float getRealVal() const override;
    using Lex::isEqual;

    std::string getType() const { return typeName(); }
    bool isDeclared() const { return declared; }
    bool isLvalue() const { return lvalue; }
    void declare(const std::string& t);

    void assign(std::int32_t i) {
        num.i = i;
        num.r = static_cast<float>(i);
        num.assigned = true;
    }
    void assign(float f) {
        num.r = f;
        num.i = truncToInt(f);
        num.assigned = true;
    }
    void assign(std::string s);

    // Unchecked access for the interpreter, which tests isAssigned() itself.
    bool isAssigned() const { return num.assigned; }
    std::int32_t rawInt() const { return num.i; }
    float rawReal() const { return num.r; }
    NumCell& cell() { return num; }
    const NumCell& cell() const { return num; }
    const std::string& rawString() const { return valueString; }
    std::string& stringSlot() { return valueString; }  // assigns a string in place, keeping capacity
    void markAssigned() { num.assigned = true; }

    // The whole value, for tools that step a run back.
    struct Saved {
        NumCell num;
        std::string valueString;
    };
    Saved save() const { return {num, valueString}; }
    void restore(const Saved& saved) {
        num = saved.num;
        valueString = saved.valueString;
    }

    // Throws the unassigned-variable error for this name.
    [[noreturn]] void throwUnassigned() const;
};
