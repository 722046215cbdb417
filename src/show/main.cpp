// The entry point of poliz-show: translate a program as poliz does, then print its POLIZ
// listing, run it as poliz does while tracing every step on standard error, or step through it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/CheckedOutput.h"
#include "common/Errors.h"
#include "common/ReportErrors.h"
#include "driver/RunProgram.h"
#include "explain/ExplainRun.h"
#include "fast/NativeTier.h"
#include "machine/StackMachine.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "poliz/PolizListing.h"
#include "scanner/ScanTrail.h"
#include "scanner/SourceRest.h"
#include "show/LineEditor.h"
#include "show/PolizAnnotatedListing.h"
#include "show/ShowOptions.h"
#include "show/SourceLines.h"
#include "show/Stepper.h"
#include "show/TraceWriter.h"
#include "show/WrittenText.h"

namespace {

// A wrong command line gets the conventional usage status, distinct from the translation
// statuses 1 to 5 that poliz-show shares with poliz.
constexpr int kUsageStatus = 64;
constexpr int kInternalStatus = 5;

// The translator keeps the text it reads, so that the listing and the stepper show the source
// without reading it a second time: a FIFO or a pipe gives it only once.
struct Translation {
    Poliz poliz;
    ScanTrail trail = keepingText();
    Parser parser;
    explicit Translation(const std::string& file) : parser(Source::fromFile(file), poliz, &trail) {
        parser.go();
    }

    static ScanTrail keepingText() {
        ScanTrail trail;
        trail.keepText = true;
        return trail;
    }
    std::vector<std::string> sourceLines() { return splitSourceLines(parser.source().keptText()); }
};

// The machine code of each source line, its header completed with the line's text as the
// POLIZ listing shows it. Without the native tier (or for a program it declines) a message and
// the status of an internal failure.
int nativeCode(const ShowOptions& options) {
    Translation translation(options.file);
    std::string why;
    const std::string code = nativeListing(translation.poliz, why);
    if (code.empty()) {
        std::cerr << "poliz-show: no machine code: " << why << "\n";
        return kInternalStatus;
    }
    const std::vector<std::string> lines = translation.sourceLines();
    std::istringstream in(code);
    for (std::string text; std::getline(in, text);) {
        std::size_t line = 0;
        if (std::sscanf(text.c_str(), "line %zu:", &line) == 1 && line >= 1 && line <= lines.size() &&
            text.back() == ':')
            text += " " + lines[line - 1];
        std::cout << text << "\n";
    }
    std::cout << std::flush;
    checkWritten(std::cout);
    return 0;
}

int list(const ShowOptions& options) {
    if (options.mode == ShowOptions::Mode::NATIVE) return nativeCode(options);
    Translation translation(options.file);
    if (options.mode == ShowOptions::Mode::PLAIN)
        std::cout << plainListing(translation.poliz);
    else
        std::cout << annotatedListing(translation.poliz, translation.sourceLines());
    std::cout << std::flush;
    checkWritten(std::cout);
    return 0;
}

// Whether two descriptors write to one terminal, where their lines mix.
bool sameTerminal(int a, int b) {
    struct stat first {};
    struct stat second {};
    return isatty(a) != 0 && isatty(b) != 0 && fstat(a, &first) == 0 && fstat(b, &second) == 0 &&
           first.st_rdev == second.st_rdev;
}

// The trace runs on the reference machine, one item per step. The source lines it shows are
// those the translation read, so that a source read from a pipe shows too.
int trace(const ShowOptions& options) {
    std::string source;
    WrittenText written(*std::cout.rdbuf());
    std::ostream programOut(&written);
    const auto traced = [&](const Poliz& poliz, std::istream& in, std::ostream& out) {
        StackMachine machine(poliz, in, out);
        TraceWriter writer(poliz, splitSourceLines(source), std::cerr, options.traceSteps);
        std::size_t congratulation = 0;
        written.take(congratulation);  // only what the program writes shows in the trace
        writer.showOutput(written, sameTerminal(STDOUT_FILENO, STDERR_FILENO));
        writer.run(machine);
    };
    RunSettings settings;
    settings.sourceText = &source;
    const int status = runProgram(Source::fromFile(options.file), std::cin, programOut, traced, settings);
    std::cerr.flush();
    checkWritten(std::cerr);
    return status;
}

// The stepper reads its commands from standard input and echoes them when they come from a
// script, so that its transcript reads as a typed session does.
int step(const ShowOptions& options) {
    Translation translation(options.file);
    std::ifstream input;
    if (!options.inputFile.empty()) {
        input.open(options.inputFile, std::ios::binary);
        std::error_code ignored;
        if (!input || std::filesystem::is_directory(options.inputFile, ignored))
            throw OpenError(options.inputFile);
    }
    // A program given on standard input is followed there by the commands.
    SourceRestBuffer rest(translation.parser.source());
    std::istream restOfSource(&rest);
    const bool commandsFollowProgram = translation.parser.source().isStandardInput();
    const bool fromScript = isatty(STDIN_FILENO) == 0;
    Stepper stepper(translation.poliz, translation.sourceLines(),
                    commandsFollowProgram ? restOfSource : std::cin, std::cout, fromScript,
                    options.inputFile.empty() ? nullptr : &input);
    if (!fromScript && !commandsFollowProgram && lineEditingBuiltIn()) stepper.editLines();
    const int status = stepper.run();
    std::cout.flush();
    checkWritten(std::cout);
    return status;
}

// As gcc and clang decide: on a terminal, unless the environment asks for no colour.
bool coloured(ShowOptions::Colour colour) {
    if (colour != ShowOptions::Colour::AUTO) return colour == ShowOptions::Colour::ALWAYS;
    const char* noColour = std::getenv("NO_COLOR");
    return isatty(STDERR_FILENO) != 0 && (noColour == nullptr || *noColour == '\0');
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const ShowOptions options = parseShowOptions(argc, argv);
    if (!options.error.empty()) {
        std::cerr << "poliz-show: " << options.error << "\nTry 'poliz-show --help' for usage.\n";
        return kUsageStatus;
    }
    if (options.mode == ShowOptions::Mode::HELP) {
        return reportErrors([] {
            std::cout << kShowUsage << std::flush;
            checkWritten(std::cout);
            return 0;
        });
    }
    if (options.mode == ShowOptions::Mode::EXPLAIN)
        return reportErrors([&options] { return runExplained(options.file, coloured(options.colour)); });
    return reportErrors([&options] {
        if (options.mode == ShowOptions::Mode::STEP) return step(options);
        return options.mode == ShowOptions::Mode::TRACE ? trace(options) : list(options);
    });
}
