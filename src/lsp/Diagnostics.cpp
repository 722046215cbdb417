// The diagnostic of a failed translation (see Diagnostics.h).
#include "lsp/Diagnostics.h"

#include "lsp/Protocol.h"

using nlohmann::json;

json diagnosticsOf(const Analysis& analysis, const EditorPlaces& places) {
    json diagnostics = json::array();
    if (!analysis.problem()) return diagnostics;
    const TranslationProblem& p = *analysis.problem();
    // An error with no known place (there is always a text here, so rarely) goes on line 1.
    const SourcePosition from = p.explanation.at.known() ? p.explanation.at : SourcePosition{1, 1};
    const SourcePosition to = p.explanation.at.known() ? p.end : from;
    std::string message = p.error.message;
    if (!p.explanation.hint.empty()) message += "\nhint: " + p.explanation.hint;
    diagnostics.push_back({{"range", places.range(from, to)},
                           {"severity", lsp::kSeverityError},
                           {"source", "poliz"},
                           {"code", p.error.status},
                           {"message", message}});
    return diagnostics;
}
