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
bool isSign(char c) { return c == '+' || c == '-'; }

// A reading position in a text. Past the end it sees '\0', which no rule below accepts, so
// the end is checked in one place.
class Cursor {
    std::string_view text;
    std::size_t at = 0;

public:
    explicit Cursor(std::string_view text) : text(text) {}
    char peek() const { return at < text.size() ? text[at] : '\0'; }
    char take() { return text[at++]; }  // only after peek() saw a character
    void skipBlanks() {
        while (isBlank(peek())) ++at;
    }
};

}  // namespace

std::optional<std::int32_t> readInt(std::string_view text, bool* overflowed) {
    Cursor c(text);
    c.skipBlanks();
    bool negative = false;
    if (isSign(c.peek())) negative = c.take() == '-';
    if (!isDigit(c.peek())) return std::nullopt;
    // Accumulate the magnitude in 64 bits and stop growing once it is past any 32-bit value.
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    std::int64_t magnitude = 0;
    bool over = false;
    while (isDigit(c.peek())) {
        magnitude = magnitude * 10 + (c.take() - '0');
        if (magnitude > limit) {
            over = true;
            magnitude = limit;
        }
    }
    if (overflowed) *overflowed = over;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<float> readReal(std::string_view text, bool* overflowed) {
    Cursor c(text);
    c.skipBlanks();
    std::string number;
    if (isSign(c.peek())) number += c.take();
    bool digits = false;
    for (; isDigit(c.peek()); digits = true) number += c.take();
    if (c.peek() == '.') {
        number += c.take();
        for (; isDigit(c.peek()); digits = true) number += c.take();
    }
    if (!digits) return std::nullopt;
    if (c.peek() == 'e' || c.peek() == 'E') {
        // Input takes the exponent mark and its sign even when no digit follows, and then fails.
        number += c.take();
        if (isSign(c.peek())) number += c.take();
        if (!isDigit(c.peek())) return std::nullopt;
        while (isDigit(c.peek())) number += c.take();
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
