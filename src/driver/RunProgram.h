// The run pipeline, the one sequence every runner follows: translate, congratulate, run the
// POLIZ on a machine, congratulate again. Shared by poliz (the fast backend), poliz-show's
// trace and explained run and the reference binary (the reference machine) and the playground.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "runtime/RuntimeMessages.h"
#include "scanner/Source.h"

class Poliz;
struct ScanTrail;

// Runs a translated program, "read" taking `in` and "write" going to `out`: runFast, the
// reference machine, or a tool that drives the reference machine its own way (a trace, an
// explained run, which catches a RuntimeError to see where it failed and throws it on).
using ProgramMachine = std::function<void(const Poliz& poliz, std::istream& in, std::ostream& out)>;

struct RunSettings {
    // Follows the scanner, for explaining a translation error afterwards.
    ScanTrail* trail = nullptr;
    // The items keep their source positions, for placing a runtime error.
    bool keepPositions = false;
    // Receives the source text as far as it was read, whether translation succeeded or not, so
    // that a source read only once (a pipe) can still be shown.
    std::string* sourceText = nullptr;
};

// Translates `source` and runs it on `machine`; the two congratulations go to `out` as well.
// When `in` is std::cin and the source is standard input itself, "read" takes what follows the
// program's closing brace on that stream instead. Errors leave as the exceptions of
// common/Errors.h, for reportErrors to turn into a message. Returns the exit status of a
// successful run, 0.
int runProgram(Source source, std::istream& in, std::ostream& out, const ProgramMachine& machine,
               const RunSettings& settings = {});

// poliz's command line on a machine: the source is the first argument (without one,
// "proga1.ppp" in the current directory), "read" takes standard input and "write" goes to
// standard output; every error becomes one message on standard error. Returns the exit status.
int runConsole(int argc, char** argv, const ProgramMachine& machine);
