// Conversions between numbers and text, done as formatted stream input and output do them,
// and the saturating float-to-integer truncation that keeps every conversion defined.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reads an integer as formatted input does: leading blanks, optional sign, digits; the rest of
// the text is ignored. Nothing when no digit follows. A value beyond 32 bits saturates and sets
// *overflowed.
std::optional<std::int32_t> readInt(std::string_view text, bool* overflowed = nullptr);

// Reads a float as formatted input does: leading blanks, optional sign, digits with one point
// and an exponent. Nothing when no number starts the text. Beyond the float range gives
// infinity and sets *overflowed.
std::optional<float> readReal(std::string_view text, bool* overflowed = nullptr);

// The default stream form of a float: six significant digits, no trailing zeros.
std::string realToText(float value);
std::string intToText(std::int32_t value);

// Truncation toward zero that saturates at the 32-bit limits; NaN gives 0.
std::int32_t truncToInt(float value);
