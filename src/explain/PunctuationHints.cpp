// Hints for slips of punctuation and of words from other languages: parentheses missing or
// left open, a decimal comma, a "default" label, an else inside a block still open, and the
// if that lacks its else.
#include <cctype>

#include "explain/TranslationHints.h"
#include "parser/Messages.h"

namespace {

std::string quoted(std::string_view text) {
    std::string out = "'";
    out += text;
    out += '\'';
    return out;
}

std::string where(SourcePosition at) {
    return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column);
}

// The keyword before the '(' that is still open at the last lexeme, or null.
const Token* keywordOfOpenParen(const LexemeHistory& lexemes) {
    int depth = 0;
    for (int k = 1; lexemes.back(k) != nullptr; ++k) {
        const Token& t = *lexemes.back(k);
        if (t.is(";") || t.is("{") || t.is("}")) return nullptr;
        if (t.is(")")) ++depth;
        if (t.is("(") && depth-- == 0) {
            const Token* before = lexemes.back(k + 1);
            return before != nullptr && before->kind == KEYWORD ? before : nullptr;
        }
    }
    return nullptr;
}

// The '(' and ')' of the statement the last lexeme ends, counted.
void countParens(const LexemeHistory& lexemes, int& opened, int& closed) {
    opened = closed = 0;
    for (int k = 1; lexemes.back(k) != nullptr; ++k) {
        const Token& t = *lexemes.back(k);
        if (t.is(";") || t.is("{") || t.is("}")) return;
        opened += t.is("(") ? 1 : 0;
        closed += t.is(")") ? 1 : 0;
    }
}

Hint missingOpenParenHint(const LexemeHistory& lexemes) {
    const Token* word = lexemes.back(1);
    const Token& off = *lexemes.back(0);
    if (word == nullptr || word->kind != KEYWORD) return {};
    const std::string w(word->text);
    if (w == "write" || w == "read")
        return {{},
                w + " takes its operands in parentheses, as in " + w + "(" + std::string(off.text) + ");"};
    if (w == "if" || w == "while")
        return {{},
                "the condition of " + std::string(w == "if" ? "an " : "a ") + w +
                    " stands in parentheses, as in " + w + " (x > 3) ..."};
    if (w == "for") return {{}, "a for loop reads for (i = 0; i < n; i = i + 1) ..."};
    if (w == "case") return {{}, "the selector of a case stands in parentheses, as in case (x) of ..."};
    return {};
}

Hint missingCloseParenHint(const LexemeHistory& lexemes) {
    const Token& off = *lexemes.back(0);
    const Token* keyword = keywordOfOpenParen(lexemes);
    if (off.is("{") && keyword != nullptr)
        return {{},
                "the ')' that closes the condition of this " + std::string(keyword->text) +
                    " is missing before '{'"};
    int opened = 0;
    int closed = 0;
    countParens(lexemes, opened, closed);
    if (opened > closed)
        return {{},
                "the parentheses do not pair up: " + std::to_string(opened) + " '(' but " +
                    std::to_string(closed) +
                    " ')' so far; add the ')' that is missing or drop a '(' too many"};
    return {};
}

// "1,5" for one and a half: a number, a comma and digits right after it.
bool decimalComma(const LexemeHistory& lexemes, int commaBack) {
    const Token* comma = lexemes.back(commaBack);
    const Token* whole = lexemes.back(commaBack + 1);
    const Token* after = lexemes.back(commaBack - 1);
    return comma != nullptr && whole != nullptr && after != nullptr && comma->is(",") &&
           whole->kind == NUMBER && after->kind == NUMBER && whole->end == comma->start &&
           comma->end == after->start;
}

std::string decimalCommaHint(const Token& whole, const Token& fraction) {
    return "a real constant has a decimal point, not a comma: " + std::string(whole.text) + "." +
           std::string(fraction.text);
}

// The innermost '{' still open before the last lexeme, as an index into `lexemes`; -1 if none.
int innermostOpenBrace(const LexemeHistory& lexemes) {
    int depth = 0;
    for (int k = lexemes.size() - 2; k >= 0; --k) {
        if (lexemes.at(k).is("}")) ++depth;
        if (lexemes.at(k).is("{") && depth-- == 0) return k;
    }
    return -1;
}

}  // namespace

Hint punctuationHint(const std::string& message, const LexemeHistory& lexemes, const SourceText& source) {
    const Token& off = *lexemes.back(0);
    if (message.starts_with(msg::kExpectOpenParen)) return missingOpenParenHint(lexemes);
    if ((message.starts_with(msg::kExpectCloseParen) || message.starts_with(msg::kExpectOperandParen)) &&
        !off.is(","))
        return missingCloseParenHint(lexemes);
    if (message.starts_with(msg::kExpectDeclaredName) && off.kind == NUMBER && decimalComma(lexemes, 1))
        return {lexemes.back(1)->start, decimalCommaHint(*lexemes.back(2), off)};
    if (message.starts_with(msg::kExpectSemicolon) && off.is(",") && lexemes.size() >= 2) {
        // The number after the comma is not read yet: look at the text.
        const Token& whole = *lexemes.back(1);
        const std::string_view line = source.line(off.end.line);
        const std::size_t from = static_cast<std::size_t>(off.end.column - 1);
        std::size_t to = from;
        while (to < line.size() && std::isdigit(static_cast<unsigned char>(line[to]))) ++to;
        if (whole.kind == NUMBER && whole.end == off.start && to > from) {
            Token fraction;
            fraction.text = line.substr(from, to - from);
            return {off.start, decimalCommaHint(whole, fraction)};
        }
    }
    if (message.starts_with(msg::kExpectConstant) && off.kind == IDENT && off.text == "default")
        return {{},
                "there is no default in a case statement: every variant names its labels, and a value "
                "without one is an error at run time; test such values with an if before the case"};
    if (message.starts_with(msg::kExpectConstant) && off.is("else")) {
        const int brace = innermostOpenBrace(lexemes);
        if (brace >= 0 && openerName(lexemes, brace) == "the '{' of this if")
            return {lexemes.at(brace).start, "the then part that opens here is still open at the else on " +
                                                 where(off.start) + ": close it with '}' before the else"};
    }
    if (message.starts_with(msg::kExpectElse) && !off.is(";")) {
        const SourcePosition at = ifWithoutElse(lexemes);
        if (at.known())
            return {at, "this if has no else part, and poliz found " + quoted(off.text) + " on " +
                            where(off.start) +
                            " instead: every if has one (else {} when nothing is to be done), and several "
                            "statements in its then part need braces { ... }"};
    }
    return {};
}
