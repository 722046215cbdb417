// Reading values for "read" (see ProgramInput.h). Characters are taken from the stream's buffer
// one at a time and only when they belong to the number, so what follows stays for the next read.
#include "runtime/ProgramInput.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <limits>

#include "runtime/RuntimeMessages.h"

namespace {

using Traits = std::char_traits<char>;

bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The next character without taking it, or EOF.
int peek(std::streambuf& buf) { return buf.sgetc(); }
void take(std::streambuf& buf) { buf.sbumpc(); }

// Skips blanks; false when the input ends first.
bool skipBlanks(std::streambuf& buf) {
    for (;;) {
        const int c = peek(buf);
        if (c == Traits::eof()) return false;
        if (!isBlank(c)) return true;
        take(buf);
    }
}

// The sign, when there is one, is taken into `text`.
void takeSign(std::streambuf& buf, std::string& text) {
    const int c = peek(buf);
    if (c == '+' || c == '-') {
        text += static_cast<char>(c);
        take(buf);
    }
}

// The input's buffer, after checking that there is one and that no earlier failure is pending.
std::streambuf& bufferOf(std::istream& in, const std::string& name) {
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr || !in.good()) throw rtmsg::endOfInput(name);
    return *buf;
}

// Decimal text of the shape readRealInput accepts, as a float; strtof reads decimal text
// correctly rounded on every platform we build for.
float decimalToFloat(const std::string& text, bool& valid) {
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    valid = !text.empty() && end == text.c_str() + text.size() && !std::isinf(value);
    return value;
}

}  // namespace

std::int32_t readIntInput(std::istream& in, const std::string& name) {
    std::streambuf& buf = bufferOf(in, name);
    if (!skipBlanks(buf)) throw rtmsg::endOfInput(name);
    std::string sign;
    takeSign(buf, sign);
    const bool negative = sign == "-";
    // The magnitude saturates just past the limit, so that any run of digits stays in range.
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::int64_t limit = negative ? kMax + 1 : kMax;
    std::int64_t magnitude = 0;
    bool digits = false;
    for (int c = peek(buf); isDigit(c); c = peek(buf)) {
        take(buf);
        digits = true;
        magnitude = std::min(magnitude * 10 + (c - '0'), limit + 1);
    }
    if (!digits || magnitude > limit) throw rtmsg::invalidInput(name);
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

float readRealInput(std::istream& in, const std::string& name) {
    std::streambuf& buf = bufferOf(in, name);
    if (!skipBlanks(buf)) throw rtmsg::endOfInput(name);
    std::string text;
    takeSign(buf, text);
    bool mantissa = false;  // a digit has been seen
    bool point = false;
    bool exponent = false;
    for (int c = peek(buf);; c = peek(buf)) {
        if (isDigit(c)) {
            text += static_cast<char>(c);
            mantissa = true;
        } else if (c == '.' && !point && !exponent) {
            text += '.';
            point = true;
        } else if ((c == 'e' || c == 'E') && mantissa && !exponent) {
            text += 'e';
            exponent = true;
            take(buf);
            takeSign(buf, text);
            continue;
        } else {
            break;
        }
        take(buf);
    }
    bool valid = false;
    const float value = decimalToFloat(text, valid);
    if (!valid) throw rtmsg::invalidInput(name);
    return value;
}

void readLineInput(std::istream& in, std::string& line, const std::string& name) {
    do {
        if (!std::getline(in, line)) throw rtmsg::endOfInput(name);
    } while (line.empty());
}
