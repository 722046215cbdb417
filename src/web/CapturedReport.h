// Runs a piece of the interpreter as the console driver would, but with standard output and
// standard error caught in strings, so that the page shows exactly what poliz prints.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/CaughtError.h"
#include "web/PageOutput.h"
#include "web/Reply.h"

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
    std::string note;            // why the place is on another line than the message names, or empty
    int errorItem = -1;          // the POLIZ item a runtime error came from, when it was found
    bool outputLimit = false;    // stopped for writing more than the page keeps
    std::int64_t inputUsed = 0;  // bytes of the input that "read" took

    // Says the output limit was reached, in place of the failure to write that it caused.
    void stopForOutputLimit();

    // Sets "status", "output", "error", "errorLine", "errorColumn", "hint", "note", "errorItem",
    // "outputLimit" and "inputUsed" in a reply; writeError all but the output and the input used.
    void writeMembers(Reply& reply) const;
    void writeError(Reply& reply) const;
};

// `body` writes to std::cout and reports errors by throwing, as the driver's run does. The
// place of an error is only its line, when it has one; PageRun.h explains errors in full.
// Standard output goes to `output` when one is given (bounded, streamed), else to a string.
CapturedReport captureReport(const std::function<int()>& body, PageOutput* output = nullptr);
