// Finding a variable: its declaration, every use of its name, the uses in this document marked
// as reads or writes, and the declared variables as the document's symbols. The translator's
// lexemes are the truth: a name inside a string constant or a comment is no use of it.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/Analysis.h"
#include "lsp/EditorPlaces.h"

// So many uses are plenty for an editor; a huge text stops the lists there.
inline constexpr std::size_t kMaxUses = 10000;

// The Location of the declaration of the variable at `at`, or null.
nlohmann::json definitionAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places,
                            const std::string& uri);
// The Locations of the uses of the variable at `at`, the declaration among them when asked.
nlohmann::json referencesAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places,
                            const std::string& uri, bool withDeclaration);
// The DocumentHighlights of the variable at `at`: written where declared, assigned or read into.
nlohmann::json highlightsAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places);
// The DocumentSymbols of the declared variables.
nlohmann::json symbolsOf(const Analysis& analysis, const EditorPlaces& places);
