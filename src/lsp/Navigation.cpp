// Declarations and uses of variables (see Navigation.h).
#include "lsp/Navigation.h"

#include "lsp/Protocol.h"

using nlohmann::json;

namespace {

// The name of the variable lexeme at `at`, or empty.
std::string_view nameAt(const Analysis& analysis, SourcePosition at) {
    const int k = analysis.lexemeAt(at);
    if (k < 0) return {};
    const LexemeSpan& lexeme = analysis.lexemes()[static_cast<std::size_t>(k)];
    return lexeme.kind == IDENT ? analysis.textOf(lexeme) : std::string_view();
}

// Calls `use(index)` for each lexeme that is the variable `name`, at most kMaxUses times.
template <class Use>
void forEachUse(const Analysis& analysis, std::string_view name, Use use) {
    const std::vector<LexemeSpan>& lexemes = analysis.lexemes();
    std::size_t found = 0;
    for (std::size_t k = 0; k < lexemes.size() && found < kMaxUses; ++k)
        if (lexemes[k].kind == IDENT && analysis.textOf(lexemes[k]) == name) {
            use(k);
            ++found;
        }
}

bool isWordAt(const Analysis& analysis, std::size_t k, std::string_view word) {
    const std::vector<LexemeSpan>& lexemes = analysis.lexemes();
    return k < lexemes.size() && analysis.spells(lexemes[k], word);
}

// A use that gives the variable a value: its declaration, the left of "=", the "x" of read(x).
bool isWrite(const Analysis& analysis, std::size_t k, const Declaration* declaration) {
    if (declaration != nullptr && static_cast<std::size_t>(declaration->nameToken) == k) return true;
    if (isWordAt(analysis, k + 1, "=")) return true;
    return k >= 2 && isWordAt(analysis, k - 1, "(") && isWordAt(analysis, k - 2, "read");
}

}  // namespace

json definitionAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places,
                  const std::string& uri) {
    const Declaration* d = analysis.declarationOf(nameAt(analysis, at));
    if (d == nullptr) return nullptr;
    const LexemeSpan& name = analysis.lexemes()[static_cast<std::size_t>(d->nameToken)];
    return places.location(uri, name.start, name.end);
}

json referencesAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places,
                  const std::string& uri, bool withDeclaration) {
    const std::string_view name = nameAt(analysis, at);
    if (name.empty()) return nullptr;
    const Declaration* d = analysis.declarationOf(name);
    json locations = json::array();
    forEachUse(analysis, name, [&](std::size_t k) {
        if (!withDeclaration && d != nullptr && static_cast<std::size_t>(d->nameToken) == k) return;
        const LexemeSpan& use = analysis.lexemes()[k];
        locations.push_back(places.location(uri, use.start, use.end));
    });
    return locations;
}

json highlightsAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places) {
    const std::string_view name = nameAt(analysis, at);
    if (name.empty()) return nullptr;
    const Declaration* d = analysis.declarationOf(name);
    json highlights = json::array();
    forEachUse(analysis, name, [&](std::size_t k) {
        const LexemeSpan& use = analysis.lexemes()[k];
        highlights.push_back(
            {{"range", places.range(use.start, use.end)},
             {"kind", isWrite(analysis, k, d) ? lsp::kHighlightWrite : lsp::kHighlightRead}});
    });
    return highlights;
}

json symbolsOf(const Analysis& analysis, const EditorPlaces& places) {
    json symbols = json::array();
    for (const Declaration& d : analysis.declarations()) {
        if (symbols.size() >= kMaxUses) break;
        const LexemeSpan& name = analysis.lexemes()[static_cast<std::size_t>(d.nameToken)];
        std::string detail(d.type);
        if (!d.initial.empty()) detail += " = " + d.initial;
        symbols.push_back({{"name", std::string(d.name)},
                           {"detail", detail},
                           {"kind", lsp::kSymbolVariable},
                           {"range", places.range(name.start, d.end)},
                           {"selectionRange", places.range(name.start, name.end)}});
    }
    return symbols;
}
