// Running a program with explained errors (see ExplainRun.h).
#include "show/ExplainRun.h"

#include <iostream>
#include <optional>

#include "common/CaughtError.h"
#include "common/Errors.h"
#include "common/ReportErrors.h"
#include "driver/RunProgram.h"
#include "machine/StackMachine.h"
#include "show/Explain.h"

int runExplained(const std::string& fileName) {
    ScanTrail trail;
    trail.keepHistory = true;
    // The text the translation read: a source from a pipe cannot be read a second time.
    std::string text;
    std::optional<SourceText> source;
    // A runtime error is explained where it is caught: the lexemes of the program die with
    // the parser.
    std::optional<Explanation> runtime;
    const auto explained = [&](const Poliz& poliz, std::istream& in, std::ostream& out) {
        source.emplace(text);
        StackMachine machine(poliz, in, out);
        try {
            machine.run();
        } catch (const RuntimeError& e) {
            runtime = explainRuntimeError(caughtRuntimeError(e), poliz, machine.pc(), *source);
            throw;
        }
    };
    RunSettings settings;
    settings.trail = &trail;
    settings.keepPositions = true;
    settings.sourceText = &text;
    const CaughtError error =
        catchRunError([&] { runProgram(fileName, std::cin, std::cout, explained, settings); });
    if (error.kind == CaughtError::Kind::NONE) return 0;
    report(error.message, error.status);
    // An error in the first lexeme leaves before the translation has taken the text: then the
    // file is read again.
    const Explanation explanation =
        runtime ? *runtime
                : explainTranslationError(error, trail,
                                          text.empty() ? SourceText::fromFile(fileName) : SourceText(text));
    std::cerr << formatExplanation(fileName, explanation) << std::flush;
    return error.status;
}
