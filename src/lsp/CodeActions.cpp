// The certain fixes (see CodeActions.h).
#include "lsp/CodeActions.h"

#include <cctype>

#include "lsp/Diagnostics.h"
#include "parser/Messages.h"

using nlohmann::json;

namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The lexemes of the failed translation, counted back from the one the error names.
class Back {
    const Analysis& analysis;

public:
    explicit Back(const Analysis& a) : analysis(a) {}
    const LexemeSpan* operator()(int k) const {
        const auto& lexemes = analysis.lexemes();
        return k >= 0 && static_cast<std::size_t>(k) < lexemes.size()
                   ? &lexemes[lexemes.size() - 1 - static_cast<std::size_t>(k)]
                   : nullptr;
    }
    std::string_view text(int k) const {
        const LexemeSpan* l = (*this)(k);
        return l == nullptr ? std::string_view() : analysis.textOf(*l);
    }
    bool is(int k, std::string_view word) const {
        const LexemeSpan* l = (*this)(k);
        return l != nullptr && analysis.spells(*l, word);
    }
    bool isVariable(int k) const {
        const LexemeSpan* l = (*this)(k);
        return l != nullptr && l->kind == IDENT;
    }
};

// The lexeme `k` back ends a statement or opens one, so that a statement starts after it.
bool beforeStatement(const Back& back, int k) {
    for (const char* word : {";", "{", "}", ")", "else", ":"})
        if (back.is(k, word)) return true;
    return false;
}

// One operand after `at` on its line: a name or an integer; its end, or unknown.
SourcePosition operandAfter(const SourceText& source, SourcePosition at, std::string& operand) {
    const std::string_view line = source.line(at.line);
    auto k = static_cast<std::size_t>(at.column - 1);
    while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    const std::size_t start = k;
    const auto alpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (k < line.size() && alpha(line[k])) {
        while (k < line.size() && (alpha(line[k]) || digit(line[k]))) ++k;
    } else {
        while (k < line.size() && digit(line[k])) ++k;
        if (k < line.size() && (line[k] == '.' || alpha(line[k]))) return {};
    }
    if (k == start) return {};
    operand = std::string(line.substr(start, k - start));
    return {at.line, static_cast<int>(k) + 1};
}

// Only blanks, then one of `ends`, follow `at` on its line.
bool endsAfter(const SourceText& source, SourcePosition at, std::string_view ends) {
    const std::string_view line = source.line(at.line);
    auto k = static_cast<std::size_t>(at.column - 1);
    while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    return k < line.size() && ends.find(line[k]) != std::string_view::npos;
}

std::optional<QuickFix> incrementFix(const Analysis& analysis, const Back& back) {
    // name "+" "+" [";" or the ")" of a for]: name = name + 1
    const bool doubled = (back.is(1, "+") && back.is(2, "+")) || (back.is(1, "-") && back.is(2, "-"));
    if (doubled && back.isVariable(3) && back(2)->end == back(1)->start &&
        ((back.is(0, ";") && beforeStatement(back, 4)) || (back.is(0, ")") && back.is(4, ";")))) {
        const std::string name(back.text(3));
        const std::string op(back.text(1));
        return QuickFix{"Write " + name + " = " + name + " " + op + " 1", back(3)->start, back(1)->end,
                        name + " = " + name + " " + op + " 1"};
    }
    // name op "=" operand [";" or ")"], op one of + - * /: name = name op operand
    const bool compound = back.is(1, "+") || back.is(1, "-") || back.is(1, "*") || back.is(1, "/");
    if (compound && back.is(0, "=") && back(1)->end == back(0)->start && back.isVariable(2) &&
        (beforeStatement(back, 3) || back.is(3, "("))) {
        std::string operand;
        const SourcePosition end = operandAfter(analysis.source(), back(0)->end, operand);
        if (!end.known() || !endsAfter(analysis.source(), end, ";)")) return {};
        const std::string name(back.text(2));
        const std::string op(back.text(1));
        return QuickFix{"Write " + name + " = " + name + " " + op + " " + operand, back(2)->start,
                        back(0)->end, name + " = " + name + " " + op};
    }
    return {};
}

bool isIntOperand(const Analysis& analysis, const LexemeSpan& lexeme, std::string_view text) {
    if (lexeme.kind == NUMBER) return true;
    const Declaration* d = lexeme.kind == IDENT ? analysis.declarationOf(text) : nullptr;
    return d != nullptr && d->type == "int";
}

// left "%" right, standing alone between "=", "(", ",", a comparison, "and" or "or" and
// ";", ")" or ",", both int: left - left / right * right.
std::optional<QuickFix> remainderFix(const Analysis& analysis, const Back& back, SourcePosition percent) {
    const LexemeSpan* left = back(0);
    if (left == nullptr || !isIntOperand(analysis, *left, back.text(0))) return {};
    bool alone = false;
    for (const char* word : {"=", "(", ",", "<", ">", "<=", ">=", "==", "!=", "and", "or"})
        alone |= back.is(1, word);
    if (!alone || left->end.line != percent.line) return {};
    std::string right;
    const SourcePosition end = operandAfter(analysis.source(), {percent.line, percent.column + 1}, right);
    if (!end.known() || !endsAfter(analysis.source(), end, ";),")) return {};
    const bool rightIsInt =
        std::isdigit(static_cast<unsigned char>(right[0])) != 0 ||
        (analysis.declarationOf(right) != nullptr && analysis.declarationOf(right)->type == "int");
    if (!rightIsInt) return {};
    const std::string a(back.text(0));
    return QuickFix{"Write " + a + " - " + a + " / " + right + " * " + right, left->start, end,
                    a + " - " + a + " / " + right + " * " + right};
}

}  // namespace

std::optional<QuickFix> quickFixOf(const Analysis& analysis) {
    if (!analysis.problem()) return {};
    const TranslationProblem& p = *analysis.problem();
    const Back back(analysis);
    using Kind = CaughtError::Kind;
    if (p.error.kind == Kind::UNRESOLVED_SYMBOL && p.error.text == "%")
        return remainderFix(analysis, back, p.explanation.at);
    if (p.error.kind != Kind::SYNTAX || back(0) == nullptr) return {};
    if (startsWith(p.error.text, msg::kExpectSemicolon) && p.previousEnd.known())
        return QuickFix{"Insert the missing ';'", p.previousEnd, p.previousEnd, ";"};
    if (startsWith(p.error.text, msg::kExpectElse) && !back.is(0, ";") && p.previousEnd.known())
        return QuickFix{"Add 'else {}'", p.previousEnd, p.previousEnd, " else {}"};
    if (startsWith(p.error.text, msg::kExpectConstant)) return incrementFix(analysis, back);
    return {};
}

json codeActionsFor(const Analysis& analysis, const EditorPlaces& places, const std::string& uri,
                    int firstLine, int lastLine) {
    json actions = json::array();
    const std::optional<QuickFix> fix = quickFixOf(analysis);
    if (!fix) return actions;
    // The error's place, its fix and the lexeme it names may stand on different lines (a ";"
    // missing at the end of one line is found at the start of the next): any of them will do.
    const Back back(analysis);
    bool near = false;
    for (const int line :
         {analysis.problem()->explanation.at.line, fix->from.line, back(0) ? back(0)->start.line : 0})
        near |= line >= firstLine && line <= lastLine;
    if (!near) return actions;
    json edit = {{"range", places.range(fix->from, fix->to)}, {"newText", fix->newText}};
    actions.push_back({{"title", fix->title},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", diagnosticsOf(analysis, places)},
                       {"edit", {{"changes", {{uri, json::array({edit})}}}}}});
    return actions;
}
