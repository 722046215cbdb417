// Runs and translations for the page, with their errors explained (see PageRun.h).
#include "web/PageRun.h"

#include <iostream>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>

#include "common/Errors.h"
#include "driver/RunProgram.h"
#include "explain/Explain.h"
#include "explain/WitnessedRun.h"
#include "fast/FastRun.h"
#include "scanner/ScanTrail.h"

namespace {

// Takes what the search run writes and keeps none of it.
class DiscardBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// On the page, "read" takes the Input box, one value after another.
constexpr const char* kInputBoxEnded = "the Input box has no more: put a value there for each read, in order";

void takeExplanation(CapturedReport& report, const Explanation& explanation) {
    report.errorLine = explanation.at.line;
    report.errorColumn = explanation.at.column;
    report.hint = explanation.hint;
    report.note = explanation.note;
}

// Runs the program again on the reference machine to find the item that fails: both machines
// fail at the same item (the differential tests hold them to it). When the search gives up, the
// error keeps no place.
void placeRuntimeError(CapturedReport& report, const std::string& source, const std::string& input,
                       long searchSteps) {
    Poliz poliz;
    poliz.keepPositions();
    std::unique_ptr<Parser> parser;
    std::istringstream in(input);
    DiscardBuffer discard;
    std::ostream out(&discard);
    std::optional<RuntimeFailure> failure;
    try {
        parser = std::make_unique<Parser>(Source::fromText(source), poliz);
        parser->go();
        runWitnessed(poliz, in, out, kInputBoxEnded, SourceText(source), failure, searchSteps);
    } catch (const RuntimeError&) {
        // Explained into `failure`.
    } catch (const std::exception&) {
        // Out of memory, say: the error goes without a place, as when the search gives up.
    }
    if (!failure) return;
    takeExplanation(report, failure->explanation);
    report.errorItem = failure->failedAt;
}

}  // namespace

CapturedReport runForPage(const std::string& source, const std::string& input, long searchSteps,
                          PageOutput* output) {
    ScanTrail trail;
    trail.keepHistory = true;
    std::istringstream in(input);
    RunSettings settings;
    settings.trail = &trail;
    // Every write goes to the page's output at once: it streams it, and it stops the run at
    // its limit.
    const auto fast = [](const Poliz& poliz, std::istream& programInput, std::ostream& out) {
        RunOptions options;
        options.outputChunk = 1;
        runFast(poliz, programInput, out, options);
    };
    PageOutput ownOutput;
    CapturedReport report =
        captureReport([&] { return runProgram(Source::fromText(source), in, std::cout, fast, settings); },
                      output ? output : &ownOutput);
    in.clear();
    report.inputUsed = static_cast<std::int64_t>(in.tellg());
    switch (report.caught.kind) {
        case CaughtError::Kind::NONE:
        case CaughtError::Kind::OUTPUT: break;
        case CaughtError::Kind::RUNTIME: placeRuntimeError(report, source, input, searchSteps); break;
        default: takeExplanation(report, explainTranslationError(report.caught, trail, SourceText(source)));
    }
    return report;
}

CapturedReport translateForPage(const std::string& source, Poliz& poliz, std::unique_ptr<Parser>& parser) {
    ScanTrail trail;
    trail.keepHistory = true;
    poliz.keepPositions();
    CapturedReport report = captureReport([&] {
        parser = std::make_unique<Parser>(Source::fromText(source), poliz, &trail);
        parser->go();
        return 0;
    });
    if (report.caught.kind != CaughtError::Kind::NONE)
        takeExplanation(report, explainTranslationError(report.caught, trail, SourceText(source)));
    return report;
}

void explainRuntimeFailure(CapturedReport& report, const Poliz& poliz, int failedAt,
                           const SourceText& source) {
    // Without what the reads met, the end of the input can still say where the input was.
    InputFacts inputBox;
    inputBox.where = kInputBoxEnded;
    const bool atEnd = report.caught.fault == RuntimeFault::END_OF_INPUT;
    takeExplanation(report,
                    explainRuntimeError(report.caught, poliz, failedAt, source, atEnd ? &inputBox : nullptr));
    report.errorItem = failedAt;
}
