// One slot of the operand stack: a value held unboxed, or a reference to a variable whose value
// is fetched only when an operator consumes it.
#pragma once

#include <cstdint>
#include <string>

#include "lexemes/Ident.h"

// What a slot holds. A variable's declared type is fixed before the run starts, so it is folded
// into the slot kind when the variable is pushed and type tests never look at the variable.
enum class Slot : std::uint8_t {
    INT,
    REAL,
    STR_CONST,  // the text of a string constant of the program
    STR_TEMP,   // a computed string, kept in the machine's string buffer of the slot's depth
    VAR_INT,
    VAR_REAL,
    VAR_STRING,
    VAR_NONE,  // a variable without a type (only a hand-built program has one)
    LABEL,
};

struct Value {
    Slot slot = Slot::INT;
    union {
        std::int32_t i;          // INT; LABEL: the label's address
        float r;                 // REAL
        const std::string* str;  // STR_CONST
        Ident* var;              // VAR_*
    };

    static Value ofInt(std::int32_t v) {
        Value x;
        x.slot = Slot::INT;
        x.i = v;
        return x;
    }
    static Value ofReal(float v) {
        Value x;
        x.slot = Slot::REAL;
        x.r = v;
        return x;
    }
    static Value ofStrConst(const std::string* s) {
        Value x;
        x.slot = Slot::STR_CONST;
        x.str = s;
        return x;
    }
    static Value ofStrTemp() {
        Value x;
        x.slot = Slot::STR_TEMP;
        x.i = 0;
        return x;
    }
    static Value ofVar(Slot kind, Ident* v) {
        Value x;
        x.slot = kind;
        x.var = v;
        return x;
    }
    static Value ofLabel(std::int32_t address) {
        Value x;
        x.slot = Slot::LABEL;
        x.i = address;
        return x;
    }
};

// The value type of what a slot holds, as the operators choose their forms by it.
inline ValueType typeOf(Slot s) {
    static constexpr ValueType kTypes[] = {ValueType::INT,    ValueType::REAL, ValueType::STRING,
                                           ValueType::STRING, ValueType::INT,  ValueType::REAL,
                                           ValueType::STRING, ValueType::NONE, ValueType::NONE};
    return kTypes[static_cast<int>(s)];
}

inline bool isVariable(Slot s) { return s >= Slot::VAR_INT && s <= Slot::VAR_NONE; }

// The variable a VAR_* slot refers to, once it is known to hold a value.
inline const Ident& assignedVariable(const Value& v) {
    if (!v.var->isAssigned()) [[unlikely]]
        v.var->throwUnassigned();
    return *v.var;
}

inline Slot variableSlot(ValueType t) {
    switch (t) {
        case ValueType::INT: return Slot::VAR_INT;
        case ValueType::REAL: return Slot::VAR_REAL;
        case ValueType::STRING: return Slot::VAR_STRING;
        case ValueType::NONE: break;
    }
    return Slot::VAR_NONE;
}
