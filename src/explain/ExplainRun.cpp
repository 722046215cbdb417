// Running a program with explained errors (see ExplainRun.h).
#include "explain/ExplainRun.h"

#include <iostream>
#include <optional>

#include "common/CaughtError.h"
#include "common/Errors.h"
#include "common/ReportErrors.h"
#include "driver/RunProgram.h"
#include "explain/Explain.h"
#include "explain/InputWitness.h"
#include "machine/StackMachine.h"

int runExplained(const std::string& fileName, bool colour) {
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
        // The input follows the program when the program itself came from standard input.
        InputWitness witness(*in.rdbuf(), &in == &std::cin ? standardInputOrigin()
                                                           : "the input after the program's '}' has no more");
        std::istream watched(&witness);
        StackMachine machine(poliz, watched, out);
        std::vector<bool> reads(static_cast<std::size_t>(poliz.size()));
        for (int a = 0; a < poliz.size(); ++a)
            reads[static_cast<std::size_t>(a)] = poliz.at(a)->isEqual("read");
        try {
            while (!machine.finished()) {
                const bool read = reads[static_cast<std::size_t>(machine.pc())];
                if (read && !machine.stack().empty() &&
                    machine.stack().back().kind == StackEntry::Kind::VARIABLE) {
                    const Ident* target = machine.stack().back().variable;
                    witness.readBegins(target->getString(), target->valueType() == ValueType::STRING);
                }
                machine.step();
                if (read) witness.readEnded();
            }
        } catch (const RuntimeError& e) {
            const CaughtError caught = caughtRuntimeError(e);
            const bool input =
                caught.fault == RuntimeFault::INVALID_INPUT || caught.fault == RuntimeFault::END_OF_INPUT;
            const InputFacts facts = input ? witness.facts() : InputFacts{};
            runtime = explainRuntimeError(caught, poliz, machine.pc(), *source, input ? &facts : nullptr);
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
    std::cerr << formatExplanation(fileName, explanation, colour) << std::flush;
    return error.status;
}
