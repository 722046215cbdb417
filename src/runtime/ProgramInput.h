// "read": one value from the program's input, by the language's own rules, so that every build
// (the console's and the browser's) reads the same text the same way. Both machines read through
// these three functions and nothing else.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

// An int: blanks (line breaks included) are skipped, then an optional sign and decimal digits
// are taken; the reading stops at the first other character, which stays in the input ("3.7"
// gives 3 and leaves ".7"). Throws rtmsg::endOfInput when only blanks are left, and
// rtmsg::invalidInput when no digit follows or the value is beyond 32 bits. `name` is the
// variable read into, for the messages.
std::int32_t readIntInput(std::istream& in, const std::string& name);

// A real: blanks are skipped, then an optional sign, digits with at most one decimal point, and
// an exponent (e or E, an optional sign, digits) once a digit has been seen. What was taken must
// be a whole number ("1e" and "." are invalid) of the float range: a value beyond it is invalid,
// one too small for it becomes the nearest float (possibly 0). No "inf", "nan" or hexadecimal
// forms. The errors are those of readIntInput.
float readRealInput(std::istream& in, const std::string& name);

// A string: whole lines without their line break, up to the first that is not empty; so after a
// number it takes the rest of that line when anything, even blanks, is left on it. Throws
// rtmsg::endOfInput when the input ends first.
void readLineInput(std::istream& in, std::string& line, const std::string& name);
