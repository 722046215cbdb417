// The lines of a source file as text, and the header that names one of them in listings,
// traces and the stepper.
#pragma once

#include <string>
#include <vector>

// Element i is line i + 1 without its line break; empty when the file cannot be read (the
// translator has reported that already).
std::vector<std::string> readSourceLines(const std::string& fileName);
// The same, of a source text already read.
std::vector<std::string> splitSourceLines(const std::string& text);

// "line N: TEXT", the text trimmed, or just "line N" for a blank line or one that `sourceLines`
// lacks. No line break.
std::string lineHeader(int line, const std::vector<std::string>& sourceLines);

// A source line as it may go to a terminal: control characters other than a tab, which would act
// on the terminal, show as '?'.
std::string printableSource(const std::string& text);
