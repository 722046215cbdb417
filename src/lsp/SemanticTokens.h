// Semantic tokens: the editor colours each lexeme by the kind the translator gave it (a word,
// a sign, a variable, a number, a string constant) and the comments between them, so that the
// colours show how poliz reads the text, not how a pattern guesses it: in a text that
// translates, a string constant read as the word it spells ("{", "+") is coloured as that word.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/Analysis.h"
#include "lsp/EditorPlaces.h"

// A huge text is coloured this far; the editor keeps its own colours after it.
inline constexpr std::size_t kMaxSemanticTokens = 200000;

// The legend announced at initialisation: token types and modifiers, in the order the data uses.
nlohmann::json semanticTokensLegend();
// The "data" of textDocument/semanticTokens/full.
nlohmann::json semanticTokensOf(const Analysis& analysis, const EditorPlaces& places);
