// An error of a run caught as a value: which kind it is, the exact message poliz prints for it
// and its exit status. The one place where the messages of the driver are composed.
#pragma once

#include <functional>
#include <string>

#include "common/Errors.h"

struct CaughtError {
    enum class Kind {
        NONE,
        UNRESOLVED_SYMBOL,
        UNRESOLVED_AFTER,
        END_OF_FILE,
        SYNTAX,
        SEMANTIC,
        RUNTIME,
        OPEN,    // the source file cannot be opened
        READ,    // nor read
        OUTPUT,  // standard output cannot be written
    };
    Kind kind = Kind::NONE;
    std::string message;  // exactly as written to standard error, without the line break
    int status = 0;
    int line = 0;      // the source line of the kinds that carry one
    std::string text;  // the message without its prefix: the symbol, the file name or the error's text
    // RUNTIME: which error it is, and the variable it names (or empty).
    RuntimeFault fault = RuntimeFault::MALFORMED;
    std::string subject;
};

// A runtime error as caught; `message` and `status` are those poliz reports.
CaughtError caughtRuntimeError(const RuntimeError& e);

// Runs `body`; an error of a run that it throws is caught and described, anything else passes.
// Returns a NONE error when the body returns normally.
CaughtError catchRunError(const std::function<void()>& body);
