// Colouring the lexemes as the translator read them (see SemanticTokens.h).
#include "lsp/SemanticTokens.h"

#include <algorithm>
#include <cctype>
#include <vector>

using nlohmann::json;

namespace {

// ORDER LEGEND: the token types as semanticTokensLegend lists them.
enum TokenType { KEYWORD_TYPE, OPERATOR_TYPE, VARIABLE_TYPE, NUMBER_TYPE, STRING_TYPE, COMMENT_TYPE };
constexpr int kDeclarationModifier = 1;

bool before(SourcePosition a, SourcePosition b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

int typeOf(KindOfLex kind) {
    switch (kind) {
        case KEYWORD: return KEYWORD_TYPE;
        case DELIM: return OPERATOR_TYPE;
        case IDENT: return VARIABLE_TYPE;
        case NUMBER:
        case REAL: return NUMBER_TYPE;
        case STRINGC: return STRING_TYPE;
        case LABEL: break;
    }
    return OPERATOR_TYPE;
}

class TokenData {
    const EditorPlaces& places;
    std::vector<int> data;
    int lastLine = 0;  // of the last token, from 0
    int lastCharacter = 0;
    std::size_t count = 0;

    void addOnLine(int line, int fromColumn, int toColumn, int type, int modifiers) {
        const std::string_view text = places.source.line(line);
        const int from = editorCharacter(text, fromColumn, places.encoding);
        const int length = editorCharacter(text, toColumn, places.encoding) - from;
        if (length <= 0) return;
        const int deltaLine = line - 1 - lastLine;
        data.insert(data.end(),
                    {deltaLine, deltaLine == 0 ? from - lastCharacter : from, length, type, modifiers});
        lastLine = line - 1;
        lastCharacter = from;
        ++count;
    }

public:
    explicit TokenData(const EditorPlaces& p) : places(p) {}
    bool full() const { return count >= kMaxSemanticTokens; }

    // A token from `from` up to `to`, one piece per line it spans (editors need not join lines).
    void add(SourcePosition from, SourcePosition to, int type, int modifiers = 0) {
        for (int line = from.line; line <= to.line && !full(); ++line) {
            const int start = line == from.line ? from.column : 1;
            const int end =
                line == to.line ? to.column : static_cast<int>(places.source.line(line).size()) + 1;
            addOnLine(line, start, end, type, modifiers);
        }
    }
    json take() { return json(std::move(data)); }
};

// The comments in the blanks from `from` up to `to`, which hold nothing but blanks and comments.
void addComments(TokenData& tokens, const SourceText& source, SourcePosition from, SourcePosition to) {
    const std::string_view gap = source.slice(from, to);
    if (gap.find("/*") == std::string_view::npos) return;
    SourcePosition at = from;
    SourcePosition opened;
    std::size_t openedAt = 0;
    bool inComment = false;
    for (std::size_t k = 0; k < gap.size(); ++k) {
        if (!inComment && gap.compare(k, 2, "/*") == 0) {
            inComment = true;
            opened = at;
            openedAt = k;
        } else if (inComment && gap[k] == '/' && gap[k - 1] == '*' && k >= openedAt + 3) {
            // "*/" closes, but not with the "*" of the opening "/*".
            inComment = false;
            tokens.add(opened, {at.line, at.column + 1}, COMMENT_TYPE);
        }
        if (gap[k] == '\n')
            at = {at.line + 1, 1};
        else
            ++at.column;
    }
}

}  // namespace

json semanticTokensLegend() {
    return {{"tokenTypes", {"keyword", "operator", "variable", "number", "string", "comment"}},
            {"tokenModifiers", {"declaration"}}};
}

// Where the translated program holds a string constant: a string constant lexeme elsewhere was
// read as the word it spells ("{", "+", "string"), since words are compared by their text.
std::vector<SourcePosition> stringConstantsKept(const Analysis& analysis) {
    std::vector<SourcePosition> kept;
    const Poliz& poliz = analysis.poliz();
    for (int address = 0; address < poliz.size(); ++address)
        if (poliz.at(address)->getKind() == STRINGC) kept.push_back(poliz.positionOf(address));
    for (const Declaration& d : analysis.declarations())
        if (!d.initial.empty() && d.initial.front() == '"') kept.push_back(d.initialAt);
    std::sort(kept.begin(), kept.end(), before);
    return kept;
}

int typeAsRead(const Analysis& analysis, const LexemeSpan& lexeme, const std::vector<SourcePosition>& kept) {
    if (lexeme.kind != STRINGC || !analysis.translated() ||
        std::binary_search(kept.begin(), kept.end(), lexeme.start, before))
        return typeOf(lexeme.kind);
    const std::string_view word = analysis.textOf(lexeme);
    const bool letters = word.size() > 2 && std::isalpha(static_cast<unsigned char>(word[1])) != 0;
    return letters ? KEYWORD_TYPE : OPERATOR_TYPE;
}

json semanticTokensOf(const Analysis& analysis, const EditorPlaces& places) {
    TokenData tokens(places);
    const std::vector<LexemeSpan>& lexemes = analysis.lexemes();
    const std::vector<SourcePosition> kept = stringConstantsKept(analysis);
    SourcePosition previousEnd{1, 1};
    for (std::size_t k = 0; k < lexemes.size() && !tokens.full(); ++k) {
        const LexemeSpan& lexeme = lexemes[k];
        addComments(tokens, places.source, previousEnd, lexeme.start);
        const Declaration* d =
            lexeme.kind == IDENT ? analysis.declarationOf(analysis.textOf(lexeme)) : nullptr;
        const bool declaring = d != nullptr && static_cast<std::size_t>(d->nameToken) == k;
        tokens.add(lexeme.start, lexeme.end, typeAsRead(analysis, lexeme, kept),
                   declaring ? kDeclarationModifier : 0);
        previousEnd = lexeme.end;
    }
    return tokens.take();
}
