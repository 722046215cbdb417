// One entry of the reference machine's operand stack: a small tagged value, copied freely. The
// machine and the tools that show its stack (traces, the stepper, the playground) read it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

#include "lexemes/Ident.h"

// A reference to a variable (its value is fetched only when an operator consumes it), or a value
// with its type. A string entry points at its text: a constant's own text, or a string the
// machine computed during the run, which lives in one of the machine's string slots.
struct StackEntry {
    enum class Kind : std::uint8_t { VARIABLE, INT, REAL, STRING, LABEL };
    // The slot of a string the entry does not own: a constant's text.
    static constexpr std::uint32_t kNoSlot = std::numeric_limits<std::uint32_t>::max();

    Kind kind = Kind::INT;
    std::uint32_t slot = kNoSlot;  // STRING: the machine's string slot holding `text`, or kNoSlot
    union {
        std::int32_t i = 0;       // INT; LABEL: the address the label holds
        float r;                  // REAL
        Ident* variable;          // VARIABLE
        const std::string* text;  // STRING
    };

    static StackEntry ofInt(std::int32_t v) {
        StackEntry e;
        e.i = v;
        return e;
    }
    static StackEntry ofReal(float v) {
        StackEntry e;
        e.kind = Kind::REAL;
        e.r = v;
        return e;
    }
    static StackEntry ofVariable(Ident* v) {
        StackEntry e;
        e.kind = Kind::VARIABLE;
        e.variable = v;
        return e;
    }
    static StackEntry ofText(const std::string* text, std::uint32_t slot = kNoSlot) {
        StackEntry e;
        e.kind = Kind::STRING;
        e.slot = slot;
        e.text = text;
        return e;
    }
    static StackEntry ofLabel(std::int32_t address) {
        StackEntry e;
        e.kind = Kind::LABEL;
        e.i = address;
        return e;
    }
    // Whether the entry holds a string the machine computed, which it frees once consumed: only
    // such a string has a slot.
    bool ownsText() const { return slot != kNoSlot; }
};

static_assert(sizeof(StackEntry) <= 16, "a stack entry stays two words");
static_assert(std::is_trivially_copyable_v<StackEntry>, "the stack is copied as plain memory");
