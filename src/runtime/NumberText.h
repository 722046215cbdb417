// Conversions between numbers and text, done as formatted stream input and output do them,
// and the saturating float-to-integer truncation that keeps every conversion defined.
#pragma once

#include <cmath>
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

// The default stream form of a float: six significant digits, no trailing zeros ("inf" and
// "-inf"; every NaN, whatever its sign bit, "-nan"). What "write" prints for a real, and the
// text of a real everywhere else.
std::string realToText(float value);
std::string intToText(std::int32_t value);
// The same texts appended to `dst`, for output built up without temporaries.
void appendRealText(std::string& dst, float value);
void appendIntText(std::string& dst, std::int32_t value);

// Truncation toward zero that saturates at the 32-bit limits; NaN gives 0. Inline: every
// conversion of a real to an int in a running program goes through it.
inline std::int32_t truncToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return 2147483647;
    if (value < -2147483648.0f) return -2147483647 - 1;
    return static_cast<std::int32_t>(value);
}
