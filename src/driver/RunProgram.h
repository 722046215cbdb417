// One run of a source file as the interpreter does it: translate, congratulate, execute,
// congratulate again. Shared by the console driver and the browser playground.
#pragma once

#include <iosfwd>
#include <string>

struct ScanTrail;

// The two congratulations, each with the line break before it and the one after it.
inline constexpr const char* kCompiledMessage =
    "\nTotal congratulations! Your program has compiled successfully!\n";
inline constexpr const char* kFinishedMessage =
    "\nMore total congratulations! Your program has runned and worked successfully!\n";

// Translates `fileName` and runs it with `in` and `out` for "read" and "write"; the two
// congratulations go to `out` as well. Errors leave as the exceptions of common/Errors.h, for
// reportErrors to turn into a message. Returns the exit status of a successful run, 0. A
// `trail`, when given, follows the scanner, for explaining a translation error afterwards.
int runProgram(const std::string& fileName, std::istream& in, std::ostream& out, ScanTrail* trail = nullptr);
