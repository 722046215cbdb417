// The fixed order of a run (see RunProgram.h).
#include "driver/RunProgram.h"

#include <iostream>
#include <utility>

#include "common/CheckedOutput.h"
#include "common/ReportErrors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "scanner/ScanTrail.h"
#include "scanner/SourceRest.h"

namespace {

constexpr const char* kDefaultFile = "proga1.ppp";

// The parser owns the lexemes the POLIZ items point to, so it lives until the run ends.
void translateAndRun(Parser& parser, Poliz& poliz, std::istream& in, std::ostream& out,
                     const ProgramMachine& machine, std::string* sourceText) {
    parser.go();
    if (sourceText) *sourceText = parser.source().keptText();
    out << kCompiledMessage << std::flush;
    checkWritten(out);
    SourceRestBuffer rest(parser.source());
    std::istream restOfSource(&rest);
    const bool inputFollowsProgram = &in == &std::cin && parser.source().isStandardInput();
    machine(poliz, inputFollowsProgram ? restOfSource : in, out);
    out << kFinishedMessage << std::flush;
    checkWritten(out);
}

}  // namespace

int runProgram(Source source, std::istream& in, std::ostream& out, const ProgramMachine& machine,
               const RunSettings& settings) {
    Poliz poliz;
    if (settings.keepPositions) poliz.keepPositions();
    ScanTrail ownTrail;
    ScanTrail* trail = settings.trail != nullptr ? settings.trail : &ownTrail;
    trail->keepText = settings.sourceText != nullptr;
    Parser parser(std::move(source), poliz, trail);
    try {
        translateAndRun(parser, poliz, in, out, machine, settings.sourceText);
    } catch (...) {
        // A translation error: the text as far as the scanner got, for explaining it.
        if (settings.sourceText && settings.sourceText->empty()) {
            parser.source().keepRestOfLine();
            *settings.sourceText = parser.source().keptText();
        }
        throw;
    }
    return 0;
}

int runConsole(int argc, char** argv, const ProgramMachine& machine) {
    std::ios::sync_with_stdio(false);
    const char* fileName = argc > 1 ? argv[1] : kDefaultFile;
    return reportErrors([&] { return runProgram(Source::fromFile(fileName), std::cin, std::cout, machine); });
}
