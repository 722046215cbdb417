// Runs a piece of the interpreter as the console driver would, but with standard output and
// standard error caught in strings, so that the page shows exactly what poliz prints.
#pragma once

#include <functional>
#include <string>

#include "common/CaughtError.h"
#include "web/Json.h"

struct CapturedReport {
    std::string output;  // what went to standard output
    std::string error;   // the one error message, with its line break; empty on success
    int status = 0;      // the exit status poliz would return
    CaughtError caught;  // the error as caught; NONE also for a failure of the program itself
    // Where the error is in the source (line 0 when unknown; column 0 when only the line is)
    // and a one-line hint for the learner, as poliz-show --explain gives them.
    int errorLine = 0;
    int errorColumn = 0;
    std::string hint;

    // Appends "status", "output", "error", "errorLine", "errorColumn" and "hint" to an open
    // JSON object; writeError all but the output.
    void writeMembers(Json& json) const;
    void writeError(Json& json) const;
};

// `body` writes to std::cout and reports errors by throwing, as the driver's run does. The
// place of an error is only its line, when it has one; PageRun.h explains errors in full.
CapturedReport captureReport(const std::function<int()>& body);
