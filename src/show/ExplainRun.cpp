// Running a program with explained errors (see ExplainRun.h).
#include "show/ExplainRun.h"

#include <iostream>
#include <optional>

#include "common/CaughtError.h"
#include "common/Errors.h"
#include "common/ReportErrors.h"
#include "machine/StackMachine.h"
#include "parser/Parser.h"
#include "show/Explain.h"

int runExplained(const std::string& fileName) {
    ScanTrail trail;
    trail.keepHistory = true;
    const SourceText source = SourceText::fromFile(fileName);
    Poliz poliz;
    poliz.keepPositions();
    // A runtime error is explained where it is caught: the lexemes of the program die with
    // the parser.
    std::optional<Explanation> runtime;
    const CaughtError error = catchRunError([&] {
        Parser parser(fileName.c_str(), poliz, &trail);
        parser.go();
        std::cout << "\nTotal congratulations! Your program has compiled successfully!" << std::endl;
        StackMachine machine(poliz, std::cin, std::cout);
        try {
            machine.run();
        } catch (const RuntimeError& e) {
            runtime = explainRuntimeError(caughtRuntimeError(e), poliz, machine.pc(), source);
            throw;
        }
        std::cout << "\nMore total congratulations! Your program has runned and worked successfully!"
                  << std::endl;
    });
    if (error.kind == CaughtError::Kind::NONE) return 0;
    report(error.message, error.status);
    const Explanation explanation = runtime ? *runtime : explainTranslationError(error, trail, source);
    std::cerr << formatExplanation(fileName, explanation) << std::flush;
    return error.status;
}
