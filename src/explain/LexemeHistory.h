// The lexemes a failed translation read, with their source text, for hints that look back
// from the lexeme the error names: the last one is the parser's lookahead.
#pragma once

#include <string_view>
#include <vector>

#include "explain/SourceText.h"
#include "scanner/ScanTrail.h"

struct Token {
    KindOfLex kind = IDENT;
    SourcePosition start;
    SourcePosition end;
    std::string_view text;  // as written; a string constant with its quotes

    // A keyword or delimiter spelt `word` (a string constant is neither).
    bool is(std::string_view word) const { return (kind == KEYWORD || kind == DELIM) && text == word; }
    bool isComparison() const;
    bool isOperand() const { return kind == IDENT || kind == NUMBER || kind == REAL; }
    // A string constant's text between its quotes.
    std::string_view inner() const;
};

class LexemeHistory {
    std::vector<Token> tokens;

public:
    LexemeHistory(const ScanTrail& trail, const SourceText& source);
    // The k-th lexeme back: 0 the last one read, 1 the one before it; null before the first.
    const Token* back(int k) const;
    int size() const { return static_cast<int>(tokens.size()); }
    const Token& at(int index) const { return tokens[static_cast<std::size_t>(index)]; }
};
