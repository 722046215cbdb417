// The hints for syntax and semantic errors: each looks at the message and at the lexemes read
// before the error, and may move the place the explanation points at.
#pragma once

#include <string>

#include "explain/LexemeHistory.h"
#include "explain/SourceText.h"
#include "scanner/ScanTrail.h"

struct Hint {
    SourcePosition at;  // unknown: the lexeme the message names
    std::string text;   // empty: no hint
};

Hint syntaxHint(const std::string& message, const LexemeHistory& lexemes, const ScanTrail& trail,
                const SourceText& source);
Hint semanticHint(const std::string& message, const LexemeHistory& lexemes, const SourceText& source);

// The hints that fit both kinds: an operator spelt as a string constant, and chained comparisons.
// The string constant may stand up to `lookBack` lexemes before the one the error names.
Hint signLikeStringHint(const LexemeHistory& lexemes, int lookBack);
Hint chainedComparisonHint(const LexemeHistory& lexemes, const SourceText& source);

// Blocks and ifs (BlockHints.cpp). A '{' that the layout shows was left unclosed, with where
// its '}' belongs; none when the indentation says nothing.
Hint unclosedBraceHint(const LexemeHistory& lexemes, const SourceText& source);
// The operand at fault in a type error, and the real fixes (TypeHints.cpp).
Hint typeHint(const std::string& message, const LexemeHistory& lexemes, const SourceText& source);
// Parentheses, a decimal comma, "default:", and an if that lacks its else (PunctuationHints.cpp).
Hint punctuationHint(const std::string& message, const LexemeHistory& lexemes, const SourceText& source);
// How a learner calls the '{' at `index`: "the '{' of this while", "the program's '{'".
std::string openerName(const LexemeHistory& lexemes, int index);
// The if that still waits for its else when the last lexeme was found instead; unknown if none.
SourcePosition ifWithoutElse(const LexemeHistory& lexemes);
