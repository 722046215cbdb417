// The text of a hover (see Hover.h).
#include "lsp/Hover.h"

#include <functional>

#include "poliz/PolizItemText.h"

using nlohmann::json;

namespace {

bool startsStatement(std::string_view word) {
    for (const char* w : {"if", "while", "for", "case", "read", "write", "continue"})
        if (word == w) return true;
    return false;
}

std::string variableText(const Analysis& analysis, std::string_view name) {
    const Declaration* d = analysis.declarationOf(name);
    // Built by appending: g++ 12 warns falsely about "`" + std::string(...).
    std::string text = "`";
    if (d == nullptr) {
        text += name;
        return text + "` is not declared: declare it among the declarations at the top";
    }
    const int line = analysis.lexemes()[static_cast<std::size_t>(d->nameToken)].start.line;
    text = "```ppp\n";
    text += d->type;
    text += ' ';
    text += name;
    if (!d->initial.empty()) text += " = " + d->initial;
    text += "\n```\n" + std::string(d->type) + " variable, declared on line " + std::to_string(line) + "; ";
    text += d->initial.empty() ? "no initial value: it has none until it is assigned or read"
                               : "initial value " + d->initial;
    return text;
}

// The items for which `wanted(address)` holds, one per line as "address  kind  text  type".
std::string itemsText(const Poliz& poliz, const std::function<bool(int)>& wanted) {
    const PolizItemText items(poliz);
    std::string out;
    int shown = 0;
    int more = 0;
    for (int address = 0; address < poliz.size(); ++address) {
        if (!wanted(address)) continue;
        if (shown == kMaxHoverItems) {
            ++more;
            continue;
        }
        const Lex* item = poliz.at(address);
        out += std::to_string(address) + "  " + PolizItemText::kindName(item) + "  " +
               items.text(item, PolizItemText::Strings::ESCAPED);
        if (!item->typeName().empty()) out += "  " + item->typeName();
        out += '\n';
        ++shown;
    }
    if (shown == 0) return {};
    if (more > 0) out += "... and " + std::to_string(more) + " more\n";
    return out;
}

std::string polizText(const Analysis& analysis, const LexemeSpan& lexeme, std::string_view word) {
    if (!analysis.translated()) return {};
    const Poliz& poliz = analysis.poliz();
    if (lexeme.kind == KEYWORD && startsStatement(word)) {
        const int line = lexeme.start.line;
        const std::string items = itemsText(poliz, [&](int a) { return poliz.lineOf(a) == line; });
        return items.empty() ? items : "POLIZ of line " + std::to_string(line) + ":\n```\n" + items + "```";
    }
    const std::string items = itemsText(poliz, [&](int a) { return poliz.positionOf(a) == lexeme.start; });
    return items.empty() ? items : "POLIZ items of `" + std::string(word) + "`:\n```\n" + items + "```";
}

}  // namespace

json hoverAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places) {
    const int k = analysis.lexemeAt(at);
    if (k < 0) return nullptr;
    const LexemeSpan& lexeme = analysis.lexemes()[static_cast<std::size_t>(k)];
    const std::string_view word = analysis.textOf(lexeme);
    const std::string text =
        lexeme.kind == IDENT ? variableText(analysis, word) : polizText(analysis, lexeme, word);
    if (text.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}},
            {"range", places.range(lexeme.start, lexeme.end)}};
}
