// A program run one step at a time on the reference machine, for the playground's step mode:
// forward by an item, by a source line or to a line, and back again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <sstream>
#include <string>

#include "explain/SourceText.h"
#include "machine/StackMachine.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "poliz/PolizItemText.h"
#include "web/CapturedReport.h"
#include "web/PageOutput.h"
#include "web/Reply.h"

class StepSession {
public:
    // Translates the program `sourceText`; translation() tells whether that succeeded.
    // `inputText` is what "read" takes, as the input box holds it.
    StepSession(const std::string& sourceText, const std::string& inputText);
    StepSession(const StepSession&) = delete;
    StepSession& operator=(const StepSession&) = delete;

    const CapturedReport& translation() const { return translated; }
    // Null when the program did not translate.
    const StackMachine* machine() const { return machine_.get(); }
    // What the program wrote so far, with the congratulations poliz writes around it.
    std::string output() const { return outputText.text(); }
    // The runtime error that stopped the program; status 0 while none has.
    const CapturedReport& failure() const { return failure_; }

    // Each move stops at an item that fails without running it, so that the stack still holds
    // the operands it failed on.
    void stepItem();
    // Runs until the machine reaches another source line, or jumps back within this one (the
    // next turn of a loop written on one line).
    void stepLine();
    // Runs until the machine next enters `line` (or, when `line` has no items, the first line
    // after it that has some), or the program ends or fails.
    void runToLine(int line);
    // Undoes the last step, of whatever size.
    void back();

    // The machine as the page draws it: position, output, stack, variables and what changed.
    Reply state() const;

private:
    // Everything a step changes, the caller's streams included.
    struct Snapshot {
        StackMachine::State machine;
        std::size_t outputSize = 0;
        std::streampos inputPosition;
        std::ios::iostate inputState = std::ios::goodbit;
        CapturedReport failure;
    };

    std::istringstream input;
    SourceText source;  // for explaining a runtime error
    PageOutput outputText;
    std::ostream output_{&outputText};
    Poliz poliz;
    std::unique_ptr<Parser> parser;  // owns the lexemes the items point to
    std::unique_ptr<StackMachine> machine_;
    std::unique_ptr<PolizItemText> names;
    CapturedReport translated;
    CapturedReport failure_;  // the runtime error that stopped the program, if one did
    std::deque<Snapshot> history;
    std::size_t historyLimit = 0;
    std::vector<Ident::Saved> before;  // the variables before the last step, to mark changes

    bool canStep() const { return machine_ && !machine_->finished() && failure_.status == 0; }
    void remember();
    // Puts the machine, its variables and the streams back as `snapshot` holds them.
    void restore(const Snapshot& snapshot);
    // One item; false when the machine cannot go on.
    bool advance();
    // Runs items while `goOn` says so after each; an item that fails is left unrun.
    template <class GoOn>
    void runWhile(GoOn goOn);
    // Where the input stands: the bytes "read" has taken.
    std::int64_t inputUsed() const;
    Reply stackReply() const;
    Reply variablesReply() const;
};
