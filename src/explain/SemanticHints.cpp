// Hints for the semantic errors: words from other languages that are not in this one, and what
// each static rule asks for.
#include <cctype>
#include <string_view>

#include "explain/TranslationHints.h"
#include "parser/Messages.h"
#include "scanner/Scanner.h"

namespace {

// Words learners bring from other languages, and what this one has instead.
std::string foreignWordHint(std::string_view name) {
    static const struct {
        const char* word;
        const char* hint;
    } kWords[] = {
        {"break",
         "there is no break: a loop ends only through its condition; test a variable there, as in "
         "while (not done and i < n)"},
        {"return", "there is no return: the program ends at its closing '}'"},
        {"true", "there is no true or false: use 1 and 0 (a condition is an int, 0 is false)"},
        {"false", "there is no true or false: use 1 and 0 (a condition is an int, 0 is false)"},
        {"bool", "there is no bool: conditions are int, 0 is false and every other value true"},
        {"float", "the type of real numbers is called real"},
        {"double", "the type of real numbers is called real"},
        {"char", "there is no char: use a string of one character"},
        {"print", "output is written with write(a, b, ...);"},
        {"printf", "output is written with write(a, b, ...);"},
        {"input", "input is read with read(x); one variable at a time"},
        {"scanf", "input is read with read(x); one variable at a time"},
        {"do", "there is no do loop: use while (condition) statement"},
        {"switch", "the selection statement is case (x) of 1: ...; end;"},
        {"elif", "write else if (...) ... else ...: every if has its else"},
    };
    for (const auto& w : kWords)
        if (name == w.word) return w.hint;
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* keyword : languageKeywords())
        if (lower == keyword && name != keyword)
            return "words are case-sensitive: the keyword is " + lower + ", in small letters";
    return {};
}

// The declaration to suggest for an undeclared name, typed by the value assigned to it when
// the text right after it shows one ("s = "abc"" makes a string).
std::string declarationFor(std::string_view name, const Token& at, const SourceText& source) {
    const std::string_view line = source.line(at.end.line);
    std::size_t k = static_cast<std::size_t>(at.end.column - 1);
    const auto skipBlanks = [&] {
        while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    };
    skipBlanks();
    std::string type = "int";
    if (k < line.size() && line[k] == '=' && (k + 1 >= line.size() || line[k + 1] != '=')) {
        ++k;
        skipBlanks();
        const std::size_t number = line.find_first_not_of("0123456789", k);
        if (k < line.size() && line[k] == '"')
            type = "string";
        else if (number != k && number != std::string_view::npos && line[number] == '.')
            type = "real";
    }
    return "declare every variable among the declarations at the top, as in " + type + " " +
           std::string(name) + ";";
}

// The condition of if or while: the lexeme after the "(" that the current ")" closes.
SourcePosition conditionStart(const LexemeHistory& lexemes) {
    int depth = 0;
    for (int k = 0; lexemes.back(k) != nullptr; ++k) {
        const Token& t = *lexemes.back(k);
        if (t.is(")")) ++depth;
        if (t.is("(") && --depth == 0) return k >= 1 ? lexemes.back(k - 1)->start : SourcePosition{};
    }
    return {};
}

// The condition of a for, read when the ";" after it has been passed: the lexeme after the ";"
// before that one.
SourcePosition forConditionStart(const LexemeHistory& lexemes) {
    for (int k = 2; lexemes.back(k) != nullptr; ++k)
        if (lexemes.back(k)->is(";")) return lexemes.back(k - 1)->start;
    return {};
}

SourcePosition previousStart(const LexemeHistory& lexemes) {
    const Token* t = lexemes.back(1);
    return t != nullptr ? t->start : SourcePosition{};
}

}  // namespace

Hint semanticHint(const std::string& message, const LexemeHistory& lexemes, const SourceText& source) {
    if (lexemes.back(0) == nullptr) return {};
    const Token& off = *lexemes.back(0);
    if (message.starts_with(msg::kUndeclared)) {
        std::string hint = foreignWordHint(off.text);
        return {{}, hint.empty() ? declarationFor(off.text, off, source) : hint};
    }
    if (message.starts_with(msg::kRedeclaration))
        return {{}, "a name is declared once: the whole program is one scope"};
    const std::string m = message;
    if (m == msg::kPlusNeedsNumber || m == msg::kMinusNeedsNumber || m == msg::kNotNeedsInt) {
        if (Hint h = signLikeStringHint(lexemes, 3); !h.text.empty()) return h;
        return {{},
                m == msg::kNotNeedsInt ? "not takes an int: compare first, as in not (r > 0)"
                                       : "a sign goes only before a number"};
    }
    if (m == msg::kAssignToRvalue)
        return {{}, "only a variable may stand left of '='; to compare two values, write '=='"};
    if (Hint h = typeHint(message, lexemes, source); !h.text.empty()) return h;
    if (m == msg::kStringToNumber) return {{}, "a string and a number cannot be assigned to each other"};
    if (m == msg::kNonIntDisjunction || m == msg::kNonIntConjunction)
        return {{},
                "and, or and not take int operands (0 is false): compare first, as in r > 0 and s == \"x\""};
    if (m == msg::kStringVersusNumber) return {{}, "strings compare only with strings, numbers with numbers"};
    if (m == msg::kStringInSum || m == msg::kNumberInConcatenation)
        return {
            {},
            "'+' joins two strings and '-' takes numbers only; to write a text and a number, give both to "
            "write: write(\"n = \", n);"};
    if (m == msg::kStringInProduct) return {{}, "'*' and '/' take numbers only"};
    if (m == msg::kIfNeedsInt || m == msg::kWhileNeedsInt)
        return {conditionStart(lexemes),
                "a condition is an int (0 is false): compare, as in r != 0 or s == \"\""};
    if (m == msg::kForNeedsInt)
        return {forConditionStart(lexemes),
                "the condition of a for is an int (0 is false): compare, as in r < 10"};
    if (m == msg::kContinueOutsideLoop)
        return {previousStart(lexemes),
                "continue goes on with the next turn of a while or for loop, so it "
                "stands only inside one"};
    if (m == msg::kCaseTypeMismatch)
        return {previousStart(lexemes),
                "the labels have the selector's type: integers for an int selector, "
                "reals such as 1.0 for a real one, strings for a string one"};
    if (m == msg::kCaseDuplicate)
        return {previousStart(lexemes), "each label value appears once in a case statement"};
    return {};
}
