// What the translator makes of one version of a document, kept for the editor's questions:
// the lexemes it read (with their places), the declarations, the first error explained as
// poliz-show --explain explains it, and, when the text translates, the POLIZ program with
// each item's place. The program is never run.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/CaughtError.h"
#include "explain/Explain.h"
#include "explain/SourceText.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "scanner/ScanTrail.h"

// One variable as its declaration reads: "type name [= constant]".
struct Declaration {
    std::string_view name;
    std::string_view type;
    std::string initial;       // the constant as written, sign included; empty without one
    int nameToken = 0;         // the index of the name among the lexemes
    SourcePosition end;        // just after the name or its initial value
    SourcePosition initialAt;  // where the constant starts (after its sign)
};

// The error that stopped the translation, and the range the editor underlines.
struct TranslationProblem {
    CaughtError error;
    Explanation explanation;     // explanation.at is where the range starts
    SourcePosition end;          // where it ends: the lexeme's end, or one byte on
    SourcePosition previousEnd;  // just after the lexeme before the one the error names
};

class Analysis {
    SourceText text;
    ScanTrail trail;  // its history is the lexemes; the scanner writes to it while translating
    Poliz program;
    std::unique_ptr<Parser> parser;  // owns the lexemes the items point to
    std::optional<TranslationProblem> failure;
    std::vector<Declaration> declared;
    std::unordered_map<std::string_view, int> declarationIndex;

    void translate(std::string sourceText);
    void readDeclarations();
    void placeFailure();

public:
    explicit Analysis(std::string sourceText);
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;
    ~Analysis();

    const SourceText& source() const { return text; }
    // Every lexeme the translator read, in order (up to the one an error names).
    const std::vector<LexemeSpan>& lexemes() const { return trail.history; }
    std::string_view textOf(const LexemeSpan& lexeme) const { return text.slice(lexeme.start, lexeme.end); }
    // Whether the lexeme reads as `word` where the grammar expects that word: the translator
    // compares words by their text, so a string constant spelt "{" stands for "{" there.
    bool spells(const LexemeSpan& lexeme, std::string_view word) const;
    const std::optional<TranslationProblem>& problem() const { return failure; }
    // The translated program; empty when the text did not translate.
    const Poliz& poliz() const { return program; }
    bool translated() const { return !failure.has_value(); }

    const std::vector<Declaration>& declarations() const { return declared; }
    const Declaration* declarationOf(std::string_view name) const;
    // The index of the lexeme that covers `at` (or, for a name, ends right there), or -1.
    int lexemeAt(SourcePosition at) const;
};
