// Hints for the syntax errors learners meet most: a missing ";", "++", a declaration after a
// statement, an initialiser of the wrong type, chained comparisons, a case without "end", and
// a string constant spelt like an operator.
#include "explain/TranslationHints.h"

#include <cctype>

#include "parser/Messages.h"
#include "scanner/Scanner.h"

namespace {

// Built by appending: g++ 12 warns falsely about "'" + std::string(...).
std::string quoted(std::string_view text) {
    std::string out = "'";
    out += text;
    out += '\'';
    return out;
}

// "i++" and "i--", and "i += 1" and its kin: a sign right after another operator sign.
Hint doubledSignHint(const LexemeHistory& lexemes) {
    const Token* off = lexemes.back(0);
    const Token* sign = lexemes.back(1);
    const Token* first = lexemes.back(2);
    if (off == nullptr || sign == nullptr || first == nullptr) return {};
    const Token* var = lexemes.back(3);
    const std::string name = var != nullptr && var->kind == IDENT ? std::string(var->text) : "i";
    const bool adjacent = first->end == sign->start;
    if (adjacent && ((first->is("+") && sign->is("+")) || (first->is("-") && sign->is("-")))) {
        const std::string op(first->text);
        return {first->start, "there is no '" + op + op + "' operator: write " + name + " = " + name + " " +
                                  op + " 1 instead"};
    }
    const bool compound = sign->is("+") || sign->is("-") || sign->is("*") || sign->is("/");
    if (compound && off->is("=") && sign->end == off->start) {
        const std::string op(sign->text);
        const std::string target = first->kind == IDENT ? std::string(first->text) : "x";
        return {sign->start, "there is no '" + op + "=' operator: write " + target + " = " + target + " " +
                                 op + " ... in full"};
    }
    return {};
}

bool isStatementEnd(const Token* t) { return t != nullptr && (t->is(";") || t->is("}") || t->is("{")); }

Hint declarationAfterStatementHint(const LexemeHistory& lexemes) {
    const Token* off = lexemes.back(0);
    if (!(off->is("int") || off->is("real") || off->is("string")) || !isStatementEnd(lexemes.back(1)))
        return {};
    return {{},
            "all declarations come before the first statement: move this declaration up to the "
            "others at the top of the program"};
}

// The type word that opens the declaration the lexeme at `index` belongs to, or null.
const Token* declarationType(const LexemeHistory& lexemes, int index) {
    for (int k = index - 1; k >= 0; --k) {
        const Token& t = lexemes.at(k);
        if (t.is(";") || t.is("{")) {
            if (k + 1 >= index) return nullptr;
            const Token& type = lexemes.at(k + 1);
            return type.is("int") || type.is("real") || type.is("string") ? &type : nullptr;
        }
    }
    return nullptr;
}

Hint initialiserHint(const LexemeHistory& lexemes) {
    const Token* off = lexemes.back(0);
    if (off->kind != NUMBER && off->kind != REAL && off->kind != STRINGC) return {};
    const Token* type = declarationType(lexemes, lexemes.size() - 1);
    if (type == nullptr) return {};
    if (off->kind == STRINGC && type->is("string"))
        return {{}, "a string constant takes no sign: write the text you mean inside the quotes"};
    if (off->kind == STRINGC)
        return {{},
                "only a string variable takes a string constant as its initial value: string s = " +
                    std::string(off->text) + ";"};
    if (type->is("string"))
        return {{},
                "a string variable starts with a string constant in double quotes: \"" +
                    std::string(off->text) + "\""};
    return {{},
            "an int variable starts with an integer constant; declare it real to keep " +
                std::string(off->text) + ", or assign it in a statement (which drops the fraction)"};
}

// After the last variant the parser looks for the labels of another one.
Hint caseWithoutEndHint(const LexemeHistory& lexemes) {
    if (!isStatementEnd(lexemes.back(1))) return {};
    int open = 0;
    for (int k = 0; k + 1 < lexemes.size(); ++k) {
        const Token& t = lexemes.at(k);
        if (t.kind == KEYWORD && t.text == "case") ++open;
        if (t.kind == KEYWORD && t.text == "end" && open > 0) --open;
    }
    if (open == 0) return {};
    return {{},
            "a case statement ends with 'end;' after its last variant; every variant starts with its "
            "labels, as in 1, 2: write(x);"};
}

Hint missingSemicolonHint(const LexemeHistory& lexemes, const ScanTrail& trail) {
    const Token* previous = lexemes.back(1);
    if (previous == nullptr) return {};
    return {
        trail.previousEnd,
        "a ';' is missing after " + quoted(previous->text) +
            ": every statement and declaration ends with ';' (if, while and for end with their statement)"};
}

// The next name or number after `after` on its line, or empty.
std::string nextWord(const SourceText& source, SourcePosition after) {
    const std::string_view line = source.line(after.line);
    std::size_t k = static_cast<std::size_t>(after.column - 1);
    while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    std::size_t end = k;
    while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '.'))
        ++end;
    return std::string(line.substr(std::min(k, line.size()), end - std::min(k, end)));
}

// Whether the string constant k lexemes back stands among the labels of a case variant: only
// constants and commas lie between it and the "of" or ";" before them, and ':' or ',' follows.
bool isCaseLabel(const LexemeHistory& lexemes, int k) {
    const Token* next = lexemes.back(k - 1);
    if (next == nullptr || !(next->is(":") || next->is(","))) return false;
    for (int j = k + 1; lexemes.back(j) != nullptr; ++j) {
        const Token& t = *lexemes.back(j);
        if (t.is("of") || t.is(";")) return true;
        if (!t.is(",") && t.kind != STRINGC && t.kind != NUMBER && t.kind != REAL) return false;
    }
    return false;
}

// A name for a variable holding the text of a keyword or delimiter; empty for other texts.
std::string wordVariableName(std::string_view word) {
    static const struct {
        const char* text;
        const char* name;
    } kSigns[] = {{"+", "plus"},     {"-", "minus"},      {"*", "times"},   {"/", "slash"},
                  {"(", "paren"},    {")", "closeParen"}, {"=", "equals"},  {"==", "equalSign"},
                  {"<", "less"},     {">", "greater"},    {"<=", "atMost"}, {">=", "atLeast"},
                  {"!=", "unequal"}, {";", "semicolon"},  {",", "comma"},   {":", "colon"},
                  {"{", "brace"},    {"}", "closeBrace"}};
    for (const auto& sign : kSigns)
        if (word == sign.text) return sign.name;
    for (const char* keyword : languageKeywords())
        if (word == keyword) return std::string(word) + "Word";
    return {};
}

}  // namespace

Hint signLikeStringHint(const LexemeHistory& lexemes, int lookBack) {
    for (int k = 1; k <= lookBack; ++k) {
        const Token* t = lexemes.back(k);
        if (t == nullptr || t->kind != STRINGC) continue;
        const std::string name = wordVariableName(t->inner());
        if (name.empty()) continue;
        if (isCaseLabel(lexemes, k))
            return {t->start,
                    "the label " + std::string(t->text) + " is read as the word " + std::string(t->inner()) +
                        ", and labels must be constants: test that value with an if before the case, "
                        "as in if (s == " +
                        std::string(t->text) + ") ... else case ..."};
        return {t->start,
                "a string constant spelt like a word or sign of the language is read as that word here; "
                "keep it in a variable: string " +
                    name + " = " + std::string(t->text) + "; and use " + name + " here"};
    }
    return {};
}

Hint chainedComparisonHint(const LexemeHistory& lexemes, const SourceText& source) {
    const Token* off = lexemes.back(0);
    if (off == nullptr || !off->isComparison()) return {};
    int depth = 0;
    for (int k = 1; lexemes.back(k) != nullptr; ++k) {
        const Token& t = *lexemes.back(k);
        if (t.is(")")) ++depth;
        if (t.is("(") && depth-- == 0) break;
        if (t.is(";") || t.is("{") || t.is("}") || t.is(",") || t.is("=")) break;
        if (depth != 0 || !t.isComparison()) continue;
        std::string example = "a < b and b < c";
        const Token* left = lexemes.back(k + 1);
        const Token* middle = lexemes.back(1);
        const std::string right = nextWord(source, off->end);
        if (k == 2 && left != nullptr && left->isOperand() && middle->isOperand() && !right.empty())
            example = std::string(left->text) + " " + std::string(t.text) + " " + std::string(middle->text) +
                      " and " + std::string(middle->text) + " " + std::string(off->text) + " " + right;
        return {{}, "comparisons do not chain: join two comparisons with 'and', as in " + example};
    }
    return {};
}

Hint syntaxHint(const std::string& message, const LexemeHistory& lexemes, const ScanTrail& trail,
                const SourceText& source) {
    if (message == msg::kNestingTooDeep)
        return {{},
                "blocks, statements and parentheses inside one another count as levels of nesting, and "
                "poliz takes about a thousand: keep parts of a long expression in variables, and nest fewer "
                "blocks"};
    if (lexemes.back(0) == nullptr) return {};
    if (Hint h = chainedComparisonHint(lexemes, source); !h.text.empty()) return h;
    const Token& off = *lexemes.back(0);
    if (Hint h = punctuationHint(message, lexemes, source); !h.text.empty()) return h;
    if (message.starts_with(msg::kExpectConstant)) {
        if (Hint h = signLikeStringHint(lexemes, 2); !h.text.empty()) return h;
        for (Hint (*rule)(const LexemeHistory&) :
             {doubledSignHint, declarationAfterStatementHint, initialiserHint, caseWithoutEndHint})
            if (Hint h = rule(lexemes); !h.text.empty()) return h;
        if (off.is("else"))
            return {{},
                    "this else belongs to no if: the then part of an if is one statement, so put several "
                    "statements in braces { ... }"};
        if (off.kind == KEYWORD) return {{}, quoted(off.text) + " cannot begin a statement or an operand"};
        return {{},
                "an operand (a variable, a constant or an expression in parentheses) is missing before " +
                    quoted(off.text)};
    }
    if (message.starts_with(msg::kExpectSemicolon)) {
        if (Hint h = signLikeStringHint(lexemes, 1); !h.text.empty()) return h;
        return missingSemicolonHint(lexemes, trail);
    }
    if (message.starts_with(msg::kExpectOperandParen)) return signLikeStringHint(lexemes, 2);
    if (message.starts_with(msg::kExpectCloseParen) && off.is(",")) {
        const Token* read = lexemes.back(3);
        if (read != nullptr && read->kind == KEYWORD && read->text == "read")
            return {{}, "read takes exactly one variable: read(a); read(b);"};
    }
    if (message.starts_with(msg::kExpectIdentifier))
        return {{}, "read takes exactly one declared variable, as in read(x);"};
    if (message.starts_with(msg::kExpectElse))
        return {{},
                off.is(";") ? "the ';' after the '}' of the then part ends the if too early: remove it"
                            : "an if always has an else part (else {} when nothing is to be done); several "
                              "statements in the then "
                              "part need braces { ... }"};
    if (message.starts_with(msg::kExpectDeclaredName))
        return {{}, "a declaration names its variables after the type, as in int count, total = 0;"};
    if (message.starts_with(msg::kBadProgramStart))
        return {{}, "a program has the form program { declarations statements }"};
    if (message.starts_with(msg::kExpectLabelSeparator))
        return {{}, "the labels of a variant are separated by ',' and end with ':', as in 1, 2: write(x);"};
    if (message.starts_with(msg::kExpectOf)) return {{}, "a case statement reads case (x) of 1: ...; end;"};
    if (message.starts_with(msg::kExpectEnd)) return {{}, "a case statement ends with end;"};
    return {};
}
