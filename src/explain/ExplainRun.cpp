// Running a program with explained errors (see ExplainRun.h).
#include "explain/ExplainRun.h"

#include <iostream>
#include <optional>

#include "common/CaughtError.h"
#include "common/ReportErrors.h"
#include "driver/RunProgram.h"
#include "explain/Explain.h"
#include "explain/InputWitness.h"
#include "explain/WitnessedRun.h"
#include "scanner/ScanTrail.h"

int runExplained(const std::string& fileName, bool colour) {
    ScanTrail trail;
    trail.keepHistory = true;
    // The text the translation read: a source from a pipe cannot be read a second time.
    std::string text;
    // A runtime error is explained where it is caught: the lexemes of the program die with
    // the parser.
    std::optional<RuntimeFailure> runtime;
    const auto explained = [&](const Poliz& poliz, std::istream& in, std::ostream& out) {
        // The input follows the program when the program itself came from standard input.
        const std::string origin =
            &in == &std::cin ? standardInputOrigin() : "the input after the program's '}' has no more";
        runWitnessed(poliz, in, out, origin, SourceText(text), runtime);
    };
    RunSettings settings;
    settings.trail = &trail;
    settings.keepPositions = true;
    settings.sourceText = &text;
    const CaughtError error = catchRunError(
        [&] { runProgram(Source::fromFile(fileName), std::cin, std::cout, explained, settings); });
    if (error.kind == CaughtError::Kind::NONE) return 0;
    report(error.message, error.status);
    // An error in the first lexeme leaves before the translation has taken the text: then the
    // file is read again.
    const Explanation explanation =
        runtime ? runtime->explanation
                : explainTranslationError(error, trail,
                                          text.empty() ? SourceText::fromFile(fileName) : SourceText(text));
    std::cerr << formatExplanation(fileName, explanation, colour) << std::flush;
    return error.status;
}
