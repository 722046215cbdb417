// poliz-show --explain: translate and run a program exactly as poliz does (the reference
// machine runs it), and after the message of an error explain where it is and how to mend it.
#pragma once

#include <string>

// Returns poliz's exit status for the program in `fileName`. With `colour`, the explanation is
// written in the colours of a terminal.
int runExplained(const std::string& fileName, bool colour = false);
