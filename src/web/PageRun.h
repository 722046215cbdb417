// What the playground's page asks of the interpreter: a run or a translation as poliz does it,
// each with its error explained as poliz-show --explain explains it (line, column and hint), so
// that the page can mark the spot in the editor and show the hint beside the message.
#pragma once

#include <memory>
#include <string>

#include "explain/Explain.h"
#include "explain/SourceText.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "web/CapturedReport.h"
#include "web/PageOutput.h"

// About a second of the reference machine in the browser.
inline constexpr long kRuntimeSearchSteps = 20'000'000;

// Runs the program `source` as poliz does (translation, then the fast backend), "read" taking
// `input`. A runtime error is placed by running the program again on the reference
// machine, for at most `searchSteps` items; past them the error goes without a place. The
// program writes to `output` when one is given (which may stream it to the page), else to a
// PageOutput of its own; either way a run that writes more than the page keeps is stopped.
CapturedReport runForPage(const std::string& source, const std::string& input,
                          long searchSteps = kRuntimeSearchSteps, PageOutput* output = nullptr);

// Translates the program `source` into `poliz`, the items keeping their positions; `parser`
// keeps the lexemes they point to alive afterwards.
CapturedReport translateForPage(const std::string& source, Poliz& poliz, std::unique_ptr<Parser>& parser);

// Fills the place, the item and the hint of `report` for a runtime error raised by the item at
// `failedAt`, in step mode, where nothing watches the reads. The hint for the end of the input
// speaks of the page's Input box.
void explainRuntimeFailure(CapturedReport& report, const Poliz& poliz, int failedAt,
                           const SourceText& source);
