// Translating a document for the editor (see Analysis.h).
#include "lsp/Analysis.h"

#include <algorithm>
#include <utility>

namespace {

bool before(SourcePosition a, SourcePosition b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

}  // namespace

Analysis::Analysis(std::string sourceText) : text(sourceText) {
    trail.keepHistory = true;
    program.keepPositions();
    translate(std::move(sourceText));
    readDeclarations();
}

Analysis::~Analysis() = default;

void Analysis::translate(std::string sourceText) {
    const CaughtError error = catchRunError([&] {
        parser = std::make_unique<Parser>(Source::fromText(std::move(sourceText)), program, &trail);
        parser->go();
    });
    if (error.kind == CaughtError::Kind::NONE) return;
    failure.emplace();
    failure->error = error;
    failure->explanation = explainTranslationError(error, trail, text);
    placeFailure();
}

// The range starts where the explanation points; it covers the lexeme that starts there, or
// one byte, or nothing at the end of a line (a missing ";" belongs after the last lexeme).
void Analysis::placeFailure() {
    TranslationProblem& p = *failure;
    p.previousEnd =
        trail.history.size() >= 2 ? trail.history[trail.history.size() - 2].end : SourcePosition{};
    const SourcePosition at = p.explanation.at;
    p.end = at;
    if (!at.known()) return;
    for (const LexemeSpan& lexeme : trail.history)
        if (lexeme.start == at) {
            p.end = lexeme.end;
            return;
        }
    if (static_cast<std::size_t>(at.column) <= text.line(at.line).size()) p.end.column = at.column + 1;
}

// declarations -> { type name [= [sign] constant] { "," name [= [sign] constant] } ";" }, read
// from the lexemes after "program {" as far as they follow that form.
void Analysis::readDeclarations() {
    const std::vector<LexemeSpan>& lexemes = trail.history;
    const auto word = [&](std::size_t k) {
        return k < lexemes.size() ? textOf(lexemes[k]) : std::string_view();
    };
    const auto is = [&](std::size_t k, std::string_view w) {
        return k < lexemes.size() && spells(lexemes[k], w);
    };
    std::size_t k = 2;
    if (!is(0, "program") || !is(1, "{")) return;
    for (std::string_view type; is(k, type = "int") || is(k, type = "real") || is(k, type = "string");) {
        ++k;
        do {
            if (k < lexemes.size() && lexemes[k].kind == IDENT) {
                Declaration d{word(k), type, {}, static_cast<int>(k), lexemes[k].end, {}};
                ++k;
                if (is(k, "=")) {
                    ++k;
                    // A string variable takes a string constant as it is, even one spelt "-";
                    // any other initial value may have a sign first.
                    const bool stringValue =
                        type == "string" && k < lexemes.size() && lexemes[k].kind == STRINGC;
                    if (!stringValue && (is(k, "+") || is(k, "-"))) d.initial = word(k++);
                    if (k < lexemes.size() && (lexemes[k].kind == NUMBER || lexemes[k].kind == REAL ||
                                               lexemes[k].kind == STRINGC)) {
                        d.initial += word(k);
                        d.initialAt = lexemes[k].start;
                        d.end = lexemes[k++].end;
                    }
                }
                // A second declaration of a name is an error; the first one stands.
                if (declarationIndex.emplace(d.name, static_cast<int>(declared.size())).second)
                    declared.push_back(std::move(d));
            }
        } while (is(k, ",") && ++k);
        if (!is(k, ";")) return;
        ++k;
    }
}

bool Analysis::spells(const LexemeSpan& lexeme, std::string_view word) const {
    const std::string_view written = textOf(lexeme);
    if (lexeme.kind == KEYWORD || lexeme.kind == DELIM) return written == word;
    return lexeme.kind == STRINGC && written.size() >= 2 && written.substr(1, written.size() - 2) == word;
}

const Declaration* Analysis::declarationOf(std::string_view name) const {
    const auto found = declarationIndex.find(name);
    return found == declarationIndex.end() ? nullptr : &declared[static_cast<std::size_t>(found->second)];
}

int Analysis::lexemeAt(SourcePosition at) const {
    const std::vector<LexemeSpan>& lexemes = trail.history;
    // The first lexeme that starts after `at`; the one before it may cover it.
    const auto after =
        std::upper_bound(lexemes.begin(), lexemes.end(), at,
                         [](SourcePosition p, const LexemeSpan& l) { return before(p, l.start); });
    if (after == lexemes.begin()) return -1;
    const auto candidate = std::prev(after);
    const int index = static_cast<int>(candidate - lexemes.begin());
    if (before(at, candidate->end)) return index;
    if (candidate->end == at && candidate->kind == IDENT) return index;
    return -1;
}
