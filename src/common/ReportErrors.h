// The one place where errors become a message on standard error and an exit status, shared by
// poliz and its companions so that they report every failure alike.
#pragma once

#include <functional>
#include <string>

struct CaughtError;

// Runs `body` and returns its status; an error it throws is written to standard error as one
// message and turned into the status of its kind: 1 lexical (or a source file that cannot be
// opened or read), 2 syntax, 3 semantic, 4 runtime, 5 a failure of the program itself (for
// example, out of memory, or standard output that cannot be written). An error of the run is
// also handed back in `caught`, when given, for a caller that explains it further.
int reportErrors(const std::function<int()>& body, CaughtError* caught = nullptr);

// Writes `message` and a line break to standard error, after whatever standard output holds,
// and returns `status`.
int report(const std::string& message, int status);
