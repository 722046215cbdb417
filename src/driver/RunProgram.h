// One run of a source file as the interpreter does it: translate, congratulate, execute,
// congratulate again. Shared by the console driver and the browser playground.
#pragma once

#include <iosfwd>
#include <string>

#include "runtime/RuntimeMessages.h"

struct ScanTrail;


// Translates `fileName` and runs it with `in` and `out` for "read" and "write"; the two
// congratulations go to `out` as well. Errors leave as the exceptions of common/Errors.h, for
// reportErrors to turn into a message. Returns the exit status of a successful run, 0. A
// `trail`, when given, follows the scanner, for explaining a translation error afterwards.
int runProgram(const std::string& fileName, std::istream& in, std::ostream& out, ScanTrail* trail = nullptr);
