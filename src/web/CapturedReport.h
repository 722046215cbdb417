// Runs a piece of the interpreter as the console driver would, but with standard output and
// standard error caught in strings, so that the page shows exactly what poliz prints.
#pragma once

#include <functional>
#include <string>

#include "web/Json.h"

struct CapturedReport {
    std::string output;  // what went to standard output
    std::string error;   // the one error message, with its line break; empty on success
    int status = 0;      // the exit status poliz would return
    int errorLine = 0;   // the source line of a translation error; 0 when it has none

    // Appends "status", "output", "error" and "errorLine" to an open JSON object.
    void writeMembers(Json& json) const;
};

// `body` writes to std::cout and reports errors by throwing, as the driver's run does.
CapturedReport captureReport(const std::function<int()>& body);
