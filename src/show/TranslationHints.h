// The hints for syntax and semantic errors: each looks at the message and at the lexemes read
// before the error, and may move the place the explanation points at.
#pragma once

#include <string>

#include "scanner/ScanTrail.h"
#include "show/LexemeHistory.h"
#include "show/SourceText.h"

struct Hint {
    SourcePosition at;  // unknown: the lexeme the message names
    std::string text;   // empty: no hint
};

Hint syntaxHint(const std::string& message, const LexemeHistory& lexemes, const ScanTrail& trail,
                const SourceText& source);
Hint semanticHint(const std::string& message, const LexemeHistory& lexemes);

// The hints that fit both kinds: an operator spelt as a string constant, and chained comparisons.
// The string constant may stand up to `lookBack` lexemes before the one the error names.
Hint signLikeStringHint(const LexemeHistory& lexemes, int lookBack);
Hint chainedComparisonHint(const LexemeHistory& lexemes, const SourceText& source);
