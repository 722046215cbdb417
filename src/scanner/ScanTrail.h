// Where the scanner is in the source text, kept for tools that explain an error: where the last
// lexemes start and end, and which comment, string constant or braces are still open. The
// scanner writes it; whoever passed it in can read it after the scanner is gone.
#pragma once

#include <vector>

#include "common/SourcePosition.h"
#include "lexemes/Lex.h"

// One lexeme as the scanner returned it: its kind and the text it spans, from its first
// character to the position just after its last.
struct LexemeSpan {
    KindOfLex kind = IDENT;
    SourcePosition start;
    SourcePosition end;
};

struct ScanTrail {
    enum class Open { NOTHING, COMMENT, STRING };

    // The lexeme being scanned, or the last one returned: where it starts. A lexical error
    // points here (a "!" without "=", a character that begins no lexeme).
    SourcePosition lexemeStart;
    SourcePosition lastEnd;      // just after the last lexeme returned
    SourcePosition previousEnd;  // just after the lexeme before it: where a missing ";" belongs
    // A comment or string constant that the scanner is inside, and where it opened.
    Open open = Open::NOTHING;
    SourcePosition openedAt;
    // The "{" lexemes not yet closed by a "}", innermost last.
    std::vector<SourcePosition> openBraces;
    int lexemes = 0;  // returned so far

    // Every lexeme returned, in order; kept only when asked for, so a plain run pays nothing.
    bool keepHistory = false;
    std::vector<LexemeSpan> history;
    // The source keeps the text it reads (Source::keptText), for tools that show it when
    // it cannot be read a second time (a pipe); set before the scanner is made.
    bool keepText = false;
};
