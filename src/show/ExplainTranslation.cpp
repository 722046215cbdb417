// Explaining translation errors: lexical ones by the character met, an unexpected end of file
// by what was left open, syntax and semantic ones by their message (TranslationHints.h).
#include <string_view>

#include "show/Explain.h"
#include "show/TranslationHints.h"
#include "show/VisibleText.h"

namespace {

std::string symbolHint(std::string_view symbol) {
    const char c = symbol.empty() ? '\0' : symbol[0];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r')
        return "the file has Windows line endings (CR LF); save it with plain line feeds, for example with "
               "sed -i 's/\\r$//' FILE";
    if (byte > 127)
        return "the byte " + visible(symbol) +
               " is not ASCII: letters outside A-Z and a-z may stand only inside a "
               "string constant or a comment";
    switch (c) {
        case '%': return "there is no '%' operator: the remainder of a divided by b is a - a / b * b";
        case '_': return "names are made of letters and digits only: write myValue, not my_value";
        case '.': return "a real constant has digits before its point and one point only, as in 0.5";
        case '&': return "write 'and' for the logical and";
        case '|': return "write 'or' for the logical or";
        case '\'': return "string constants stand in double quotes, as in \"text\"";
        case '[':
        case ']': return "there are no arrays: use one variable per value";
        case '#': return "comments stand between /* and */";
        case '^': return "there is no power operator: multiply, as in x * x";
        default: break;
    }
    if (byte < 32 || byte == 127) return "an invisible control character " + visible(symbol) + ": delete it";
    return "the character " + std::string(symbol) + " is not part of the language";
}

Hint endOfFileHint(const ScanTrail& trail, const SourceText& source) {
    if (trail.open == ScanTrail::Open::COMMENT)
        return {trail.openedAt, "the comment that opens here is never closed: end it with */"};
    if (trail.open == ScanTrail::Open::STRING)
        return {trail.openedAt,
                "the string constant that opens here is never closed: end it with a double quote"};
    if (trail.lexemes == 0 && !trail.lexemeStart.known())
        return {{1, 1},
                "the file holds no program: a program has the form program { declarations statements }"};
    if (!trail.openBraces.empty()) {
        const LexemeHistory lexemes(trail, source);
        if (Hint h = unclosedBraceHint(lexemes, source); !h.text.empty()) return h;
        if (trail.openBraces.size() == 1)
            return {trail.openBraces.back(),
                    "the text ends before the program's '{' is closed: a program ends "
                    "with '}'"};
        // Where an inner block should end only its writer knows: a '}' put at the end could
        // pull statements into the block.
        return {trail.openBraces.back(),
                "the text ends before this '{' is closed: add its '}' where its block should end, and the "
                "program's '}' after the last statement"};
    }
    // Nothing is open: the file ends after a complete lexeme, or inside the first one.
    const SourcePosition at = trail.lastEnd.known() ? trail.lastEnd : trail.lexemeStart;
    return {at, "the text ends before the program is complete: it ends with '}'"};
}

}  // namespace

Explanation explainTranslationError(const CaughtError& error, const ScanTrail& trail,
                                    const SourceText& source) {
    using Kind = CaughtError::Kind;
    Explanation explanation;
    Hint hint;
    std::string text = error.text;
    switch (error.kind) {
        case Kind::UNRESOLVED_SYMBOL:
            text = "unresolved symbol " + error.text;
            hint = {trail.lexemeStart, symbolHint(error.text)};
            break;
        case Kind::UNRESOLVED_AFTER:
            text = "unresolved symbol after " + error.text;
            hint = {trail.lexemeStart,
                    "'!' only begins '!=': write a != b for 'not equal' and not a for negation"};
            break;
        case Kind::END_OF_FILE: hint = endOfFileHint(trail, source); break;
        case Kind::SYNTAX:
        case Kind::SEMANTIC: {
            const LexemeHistory lexemes(trail, source);
            hint = error.kind == Kind::SYNTAX ? syntaxHint(error.text, lexemes, trail, source)
                                              : semanticHint(error.text, lexemes, source);
            if (!hint.at.known()) hint.at = trail.lexemeStart;
            break;
        }
        case Kind::OPEN: text = "cannot open file '" + error.text + "'"; break;
        case Kind::READ: text = "cannot read file '" + error.text + "'"; break;
        case Kind::OUTPUT: text = "cannot write to standard output"; break;
        case Kind::NONE:
        case Kind::RUNTIME: break;
    }
    explanation.text = visible(text);
    explanation.hint = hint.text;
    placeExplanation(explanation, hint.at, source);
    return explanation;
}

void placeExplanation(Explanation& explanation, SourcePosition at, const SourceText& source) {
    explanation.at = at;
    if (!at.known()) return;
    const std::string_view line = source.line(at.line);
    explanation.lineText = visible(line);
    explanation.caret = caretUnder(line, at.column);
}

std::string formatExplanation(const std::string& fileName, const Explanation& e) {
    std::string out = visible(fileName);
    if (e.at.known()) {
        out += ':';
        out += std::to_string(e.at.line);
        out += ':';
        out += std::to_string(e.at.column);
    }
    out += ": error: " + e.text + "\n";
    if (e.at.known()) {
        std::string gutter = std::to_string(e.at.line);
        if (gutter.size() < 5) gutter.insert(0, 5 - gutter.size(), ' ');
        out += gutter + " | " + e.lineText + "\n";
        out += std::string(gutter.size(), ' ') + " | " + e.caret + "\n";
    }
    if (!e.hint.empty()) out += "hint: " + e.hint + "\n";
    return out;
}
