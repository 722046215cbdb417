// An identifier, which is at the same time the program variable of that name: one object per
// name carries the declaration and the current value. Expressions get unnamed temporaries.
#pragma once

#include <memory>

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

class Ident final : public Lex, public SmthNumber, public SmthString {
    // A program has an unnamed temporary for every expression and only a handful of names, and
    // a temporary holds a string only when the reference machine computes one into it: the name
    // and the string live apart, made once there is either, so a temporary takes 56 bytes rather
    // than 112. Without them both read as empty.
    struct Texts {
        std::string name;
        std::string value;
    };
    std::unique_ptr<Texts> texts;
    NumCell num;
    bool declared;
    bool lvalue;

    // At namespace scope rather than in a function, so that reading it costs no guard.
    static const std::string noText;

public:
    // A name from the source: undeclared and unassigned.
    explicit Ident(const Buffer& b);
    // The temporary variable of an expression: unnamed, declared and assigned from the start.
    explicit Ident(std::string s);

    bool isEqual(std::string_view text) const override { return text == nameText(); }
    std::string getString() const override { return std::string(nameText()); }
    // The name without a copy; empty for a temporary.
    std::string_view nameText() const { return texts ? std::string_view(texts->name) : std::string_view(); }
    std::string getStringVal() const override;
    // Here rather than in Ident.cpp, so that a machine that holds an Ident* reads a value without
    // a call: the class is final, so these calls are not virtual.
    std::int32_t getIntVal() const override {
        if (!num.assigned) throwUnassigned();
        return tag == ValueType::INT ? num.i : truncToInt(num.r);
    }
    float getRealVal() const override {
        if (!num.assigned) throwUnassigned();
        return tag == ValueType::INT ? static_cast<float>(num.i) : num.r;
    }
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
    const std::string& rawString() const { return texts ? texts->value : noText; }
    // Assigns a string in place, keeping capacity; the string stays where it is from now on.
    std::string& stringSlot() {
        if (!texts) texts = std::make_unique<Texts>();
        return texts->value;
    }
    void markAssigned() { num.assigned = true; }

    // The whole value, for tools that step a run back.
    struct Saved {
        NumCell num;
        std::string valueString;
    };
    Saved save() const { return {num, rawString()}; }
    void restore(const Saved& saved) {
        num = saved.num;
        if (texts || !saved.valueString.empty()) stringSlot() = saved.valueString;
    }

    // Throws the unassigned-variable error for this name.
    [[noreturn]] void throwUnassigned() const;
};
