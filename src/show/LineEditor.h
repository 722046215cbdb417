// Reading the stepper's commands at a terminal with line editing and a history of the lines
// typed (libedit's readline interface), where poliz-show was built with libedit; without it,
// and for commands from a script, lines are read plainly.
#pragma once

#include <string>

// Whether this build edits lines.
bool lineEditingBuiltIn();

// Shows `prompt` and reads one line from the terminal with editing; the line joins the history
// unless it is empty. False at the end of the input (Ctrl-D).
bool readEditedLine(const std::string& prompt, std::string& line);
