// Number <-> text conversions: the numbers of the source text, and the text of values.
#include "runtime/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::size_t skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

}  // namespace

std::optional<std::int32_t> readInt(std::string_view text, bool* overflowed) {
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
    // Accumulate the magnitude in 64 bits and stop growing once it is past any 32-bit value.
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    std::int64_t magnitude = 0;
    bool over = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) {
            over = true;
            magnitude = limit;
        }
    }
    if (overflowed) *overflowed = over;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<float> readReal(std::string_view text, bool* overflowed) {
    std::size_t i = skipBlanks(text);
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    bool digits = false;
    for (; i < text.size() && isDigit(text[i]); ++i, digits = true) number += text[i];
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        for (; i < text.size() && isDigit(text[i]); ++i, digits = true) number += text[i];
    }
    if (!digits) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        // Input takes the exponent mark and its sign even when no digit follows, and then fails.
        number += text[i++];
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        bool expDigits = false;
        for (; i < text.size() && isDigit(text[i]); ++i, expDigits = true) number += text[i];
        if (!expDigits) return std::nullopt;
    }
    float value = std::strtof(number.c_str(), nullptr);
    if (overflowed) *overflowed = std::isinf(value);
    return value;
}

void appendRealText(std::string& dst, float value) {
    // The sign of a NaN is whatever the processor or the compiler's order of operands leaves,
    // and differs between builds and machines; every NaN prints as the usual x86 result of a
    // computation (inf - inf, 0 * inf) prints, so that every build writes the same text.
    if (std::isnan(value)) {
        dst += "-nan";
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    dst.append(text, static_cast<std::size_t>(length));
}

void appendIntText(std::string& dst, std::int32_t value) {
    char text[16];
    dst.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string realToText(float value) {
    std::string text;
    appendRealText(text, value);
    return text;
}

std::string intToText(std::int32_t value) {
    std::string text;
    appendIntText(text, value);
    return text;
}
