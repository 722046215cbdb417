// The arithmetic of the two-operand words on the machine's values: ints that wrap modulo 2^32,
// floats, and comparisons of either or of byte strings; shared by the stack and cell forms.
#pragma once

#include <cstdint>

#include "fast/Op.h"
#include "fast/Value.h"
#include "runtime/RuntimeMessages.h"

namespace arithmetic {

// 32-bit arithmetic that wraps: computed on unsigned values, converted back modulo 2^32.
inline std::int32_t wrap(std::uint32_t v) { return static_cast<std::int32_t>(v); }
inline std::uint32_t bits(std::int32_t v) { return static_cast<std::uint32_t>(v); }

[[noreturn]] inline void divisionByZero() { throw rtmsg::divisionByZero(); }

// The result of a two-operand word on two values of one type: ints, floats or byte strings
// (std::string_view compares characters as unsigned codes). Floats keep IEEE semantics: with a
// NaN every comparison is false except "!=".
template <Op kOp, class T>
bool compareAs(const T& a, const T& b) {
    if constexpr (kOp == Op::LT) return a < b;
    if constexpr (kOp == Op::GT) return a > b;
    if constexpr (kOp == Op::LE) return a <= b;
    if constexpr (kOp == Op::GE) return a >= b;
    if constexpr (kOp == Op::EQ) return a == b;
    if constexpr (kOp == Op::NE) return a != b;
}

template <Op kOp>
Value intResult(std::int32_t a, std::int32_t b) {
    if constexpr (kOp == Op::ADD)
        return Value::ofInt(wrap(bits(a) + bits(b)));
    else if constexpr (kOp == Op::SUB)
        return Value::ofInt(wrap(bits(a) - bits(b)));
    else if constexpr (kOp == Op::MUL)
        return Value::ofInt(wrap(bits(a) * bits(b)));
    else
        return Value::ofInt(compareAs<kOp>(a, b));
}

template <Op kOp>
Value realResult(float a, float b) {
    if constexpr (kOp == Op::ADD)
        return Value::ofReal(a + b);
    else if constexpr (kOp == Op::SUB)
        return Value::ofReal(a - b);
    else if constexpr (kOp == Op::MUL)
        return Value::ofReal(a * b);
    else
        return Value::ofInt(compareAs<kOp>(a, b));
}

template <Op kOp>
std::int32_t intValue(std::int32_t a, std::int32_t b) {
    if constexpr (kOp == Op::ADD)
        return wrap(bits(a) + bits(b));
    else if constexpr (kOp == Op::SUB)
        return wrap(bits(a) - bits(b));
    else if constexpr (kOp == Op::MUL)
        return wrap(bits(a) * bits(b));
    else
        return compareAs<kOp>(a, b);
}

template <Op kOp>
float realValue(float a, float b) {
    if constexpr (kOp == Op::ADD)
        return a + b;
    else if constexpr (kOp == Op::SUB)
        return a - b;
    else
        return a * b;
}

}  // namespace arithmetic
