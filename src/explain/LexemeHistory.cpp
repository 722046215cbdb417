// The lexemes of a failed translation (see LexemeHistory.h).
#include "explain/LexemeHistory.h"

bool Token::isComparison() const {
    return is("<") || is(">") || is("<=") || is(">=") || is("==") || is("!=");
}

std::string_view Token::inner() const {
    if (kind != STRINGC || text.size() < 2) return text;
    return text.substr(1, text.size() - 2);
}

LexemeHistory::LexemeHistory(const ScanTrail& trail, const SourceText& source) {
    for (const LexemeSpan& span : trail.history)
        tokens.push_back({span.kind, span.start, span.end, source.slice(span.start, span.end)});
}

const Token* LexemeHistory::back(int k) const {
    const int index = size() - 1 - k;
    return index >= 0 && k >= 0 ? &tokens[static_cast<std::size_t>(index)] : nullptr;
}
