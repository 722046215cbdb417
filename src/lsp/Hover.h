// What resting the pointer on a lexeme shows: for a variable, its type, the line that declares
// it and its initial value; for an operator or a constant, the POLIZ items it became; for the
// word that begins a statement, the items of its line, as poliz-show lists them.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/Analysis.h"
#include "lsp/EditorPlaces.h"

// So many items are shown at most; a longer run ends with how many more there are.
inline constexpr int kMaxHoverItems = 60;

// The Hover for the lexeme at `at`, or null where there is nothing to say.
nlohmann::json hoverAt(const Analysis& analysis, SourcePosition at, const EditorPlaces& places);
