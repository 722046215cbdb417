// Explaining an error to a learner: where it is (line and column), the source line with a
// caret under the spot, and, for the mistakes learners make most, a one-line hint. The message
// of poliz itself stays as it is; an explanation is printed after it. Only the caught error,
// the scanner's trail, the POLIZ program and the source text are needed, so any front end
// (the command line, a browser playground) can explain alike.
#pragma once

#include <string>

#include "common/CaughtError.h"
#include "explain/SourceText.h"
#include "poliz/Poliz.h"
#include "scanner/ScanTrail.h"

struct Explanation {
    SourcePosition at;     // unknown for an unreadable file
    std::string text;      // the error in one line, its control characters made visible
    std::string lineText;  // the source line at `at`, made visible
    std::string caret;     // the caret line under it
    std::string hint;      // one line, or empty when none is known
    // Why the place differs from the line poliz's message names, or empty.
    std::string note;
};

// What the reads of a run met, for explaining an input error (see InputWitness.h).
struct InputFacts {
    std::string where;         // where the input came from, in words, for the end of input
    std::string met;           // the text the failed read met, to the end of its line (shortened)
    bool leftOver = false;     // that text is what an earlier read left on its line
    std::string previousName;  // the variable of the read before the failed one, or empty
    std::string previousLine;  // the line a string read took before, when it held blanks
};

// A lexical, syntax or semantic error, or an unreadable file. The trail must have kept its
// history (ScanTrail::keepHistory) for the hints that look back at earlier lexemes.
Explanation explainTranslationError(const CaughtError& error, const ScanTrail& trail,
                                    const SourceText& source);

// A runtime error raised by the item at `failedAt`; the POLIZ program and the lexemes it refers
// to must still be alive. With `input`, an input error shows what the read met.
Explanation explainRuntimeError(const CaughtError& error, const Poliz& poliz, int failedAt,
                                const SourceText& source, const InputFacts* input = nullptr);

// The lines printed after the message, each ending in a line break:
//   FILE:LINE:COL: error: TEXT
//       N | source line
//         |     ^
//   hint: ...
//   note: ...
// With no known place, only "FILE: error: TEXT" and the hint. A line longer than a terminal is
// cut around the caret. With `colour`, "error:" is red, the caret green and "hint:" cyan, in
// the escape sequences of terminals.
std::string formatExplanation(const std::string& fileName, const Explanation& explanation,
                              bool colour = false);

// Fills the place, the shown line and the caret of `explanation` for `at`.
void placeExplanation(Explanation& explanation, SourcePosition at, const SourceText& source);
