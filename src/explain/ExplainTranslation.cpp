// Explaining translation errors: lexical ones by the character met, an unexpected end of file
// by what was left open, syntax and semantic ones by their message (TranslationHints.h).
#include <algorithm>
#include <string_view>

#include "explain/Explain.h"
#include "explain/TranslationHints.h"
#include "explain/VisibleText.h"

namespace {

// The part of a long source line shown: this many bytes before the caret, this many in all.
constexpr std::size_t kShownBefore = 60;
constexpr std::size_t kShownWidth = 120;
constexpr const char* kEllipsis = "\u2026";

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
    if (error.line > 0 && hint.at.known() && hint.at.line != error.line)
        explanation.note = "the message names line " + std::to_string(error.line) +
                           ", where poliz noticed the slip; the place above is where it is";
    return explanation;
}

void placeExplanation(Explanation& explanation, SourcePosition at, const SourceText& source) {
    explanation.at = at;
    if (!at.known()) return;
    const std::string_view line = source.line(at.line);
    // A long line is shown as a window around the column, marked at a cut end.
    const std::size_t column = static_cast<std::size_t>(at.column - 1);
    std::size_t from = column > kShownBefore ? column - kShownBefore : 0;
    const std::size_t to = std::min(line.size(), from + kShownWidth);
    if (to == line.size() && to > kShownWidth) from = std::min(from, to - kShownWidth);
    const std::string_view shown = line.substr(std::min(from, line.size()), to - std::min(from, to));
    // Built by appending: g++ 12 warns falsely about const char* + std::string here.
    explanation.lineText.clear();
    if (from > 0) explanation.lineText += kEllipsis;
    explanation.lineText += visible(shown);
    if (to < line.size()) explanation.lineText += kEllipsis;
    explanation.caret.assign(from > 0 ? 1 : 0, ' ');
    explanation.caret += caretUnder(shown, at.column - static_cast<int>(from));
}

std::string formatExplanation(const std::string& fileName, const Explanation& e, bool colour) {
    const auto paint = [colour](const char* code, const std::string& text) {
        return colour ? std::string("\x1b[") + code + "m" + text + "\x1b[0m" : text;
    };
    std::string place = visible(fileName);
    if (e.at.known()) {
        place += ':';
        place += std::to_string(e.at.line);
        place += ':';
        place += std::to_string(e.at.column);
    }
    std::string out = paint("1", place + ":") + " " + paint("1;31", "error:") + " " + e.text + "\n";
    if (e.at.known()) {
        std::string gutter = std::to_string(e.at.line);
        if (gutter.size() < 5) gutter.insert(0, 5 - gutter.size(), ' ');
        out += gutter + " | " + e.lineText + "\n";
        std::string caret = e.caret;
        caret.insert(caret.size() - 1, colour ? "\x1b[1;32m" : "");
        out += std::string(gutter.size(), ' ') + " | " + caret + (colour ? "\x1b[0m" : "") + "\n";
    }
    if (!e.hint.empty()) out += paint("1;36", "hint:") + " " + e.hint + "\n";
    if (!e.note.empty()) out += paint("1", "note:") + " " + e.note + "\n";
    return out;
}
