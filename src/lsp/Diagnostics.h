// The diagnostics of a document: none when it translates, else its one error as poliz prints
// it, underlined where poliz-show --explain points, with the hint on the next line.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/Analysis.h"
#include "lsp/EditorPlaces.h"

// The "diagnostics" array of textDocument/publishDiagnostics.
nlohmann::json diagnosticsOf(const Analysis& analysis, const EditorPlaces& places);
