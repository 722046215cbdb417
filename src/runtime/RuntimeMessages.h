// Every message of a running program, byte for byte as users and graders see them, each with its
// identity (RuntimeFault). Both machines throw only errors made here; the tools that explain an
// error look at its identity and subject, never at its text.
#pragma once

#include <string>
#include <string_view>

#include "common/Errors.h"

namespace rtmsg {

inline RuntimeError divisionByZero() { return {RuntimeFault::DIVISION_BY_ZERO, "Division by zero!"}; }

inline RuntimeError unassigned(const std::string& name) {
    return {RuntimeFault::UNASSIGNED, "Using value of '" + name + "' was not assigned!", name};
}

inline RuntimeError invalidInput(const std::string& name) {
    return {RuntimeFault::INVALID_INPUT, "Invalid input for '" + name + "'!", name};
}

inline RuntimeError endOfInput(const std::string& name) {
    return {RuntimeFault::END_OF_INPUT, "Unexpected end of input for '" + name + "'!", name};
}

// Fuzz builds stop endless programs after a fixed amount of work.
inline RuntimeError stepBudgetExhausted() { return {RuntimeFault::STEP_BUDGET, "Step budget exhausted!"}; }

// Malformed programs: the translator never produces them, so they name the failing item by its
// word and address rather than by a source line.
inline RuntimeError malformed(std::string text) { return {RuntimeFault::MALFORMED, std::move(text)}; }

// "'word' at address N": built by appending, which keeps GCC's string-overflow analysis quiet.
inline std::string itemAt(std::string_view word, int address) {
    std::string text = "'";
    text.append(word).append("' at address ").append(std::to_string(address));
    return text;
}

inline RuntimeError tooFewOperands(std::string_view word, int address) {
    return malformed("Too few operands for " + itemAt(word, address) + "!");
}

inline RuntimeError assignNeedsVariable(int address) {
    return malformed(itemAt("=", address) + " needs a variable as its target!");
}

inline RuntimeError readNeedsVariable(int address) {
    return malformed(itemAt("read", address) + " needs a variable!");
}

inline RuntimeError negativeWriteCount(int address) {
    return malformed(itemAt("write", address) + " has a negative item count!");
}

inline RuntimeError needsLabel(std::string_view word, int address) {
    return malformed(itemAt(word, address) + " needs a label!");
}

inline RuntimeError jumpOutside(int target, int address) {
    return malformed("Jump to address " + std::to_string(target) + " outside the program at address " +
                     std::to_string(address) + "!");
}

inline RuntimeError typeMismatch(std::string_view word, int address) {
    return malformed("Operand types match no form of " + itemAt(word, address) + "!");
}

}  // namespace rtmsg

// The two congratulations of a successful run, each with the line break before it and the one
// after it: the first once translation has succeeded, the second after the program has run.
inline constexpr const char* kCompiledMessage =
    "\nTotal congratulations! Your program has compiled successfully!\n";
inline constexpr const char* kFinishedMessage =
    "\nMore total congratulations! Your program has runned and worked successfully!\n";
