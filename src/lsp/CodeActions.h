// Quick fixes for the mistakes whose mending is certain: a missing ";", an if without its
// else, "i++" and "i += 1" (this language has neither), and "a % b" (nor that). Each is offered
// only when the text around the error leaves one reading, so applying it never changes what
// a program that was meant means.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "lsp/Analysis.h"
#include "lsp/EditorPlaces.h"

struct QuickFix {
    std::string title;
    SourcePosition from;  // the text replaced: from..to (equal for an insertion)
    SourcePosition to;
    std::string newText;
};

// The fix for the document's error, if it has a certain one.
std::optional<QuickFix> quickFixOf(const Analysis& analysis);

// The CodeActions for the lines from `firstLine` to `lastLine` (from 1).
nlohmann::json codeActionsFor(const Analysis& analysis, const EditorPlaces& places, const std::string& uri,
                              int firstLine, int lastLine);
