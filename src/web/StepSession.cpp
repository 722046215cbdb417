// Stepping a program forward and back on the reference machine (see StepSession.h).
#include "web/StepSession.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "driver/RunProgram.h"
#include "runtime/NumberText.h"
#include "web/PageRun.h"

namespace {

// The history of steps to go back through; older steps are forgotten. Each step keeps every
// variable's value, so a program with many variables keeps fewer steps.
constexpr std::size_t kMaxHistory = 10000;
constexpr std::size_t kMinHistory = 100;
constexpr std::size_t kHistoryValues = 4000000;

bool sameValue(const Ident::Saved& a, const Ident::Saved& b) {
    return a.num.assigned == b.num.assigned && a.num.i == b.num.i &&
           std::memcmp(&a.num.r, &b.num.r, sizeof(float)) == 0 && a.valueString == b.valueString;
}

std::string valueText(const Ident& variable) {
    if (!variable.isAssigned()) return "";
    if (variable.valueType() == ValueType::STRING) return variable.rawString();
    return variable.getStringVal();
}

}  // namespace

StepSession::StepSession(const std::string& sourceText, const std::string& inputText)
    : input(inputText), source(sourceText) {
    translated = translateForPage(sourceText, poliz, parser);
    if (translated.status != 0) return;
    output_ << kCompiledMessage;
    machine_ = std::make_unique<StackMachine>(poliz, input, output_);
    names = std::make_unique<PolizItemText>(poliz);
    for (const Ident* variable : machine_->variables()) before.push_back(variable->save());
    historyLimit = std::clamp(kHistoryValues / (before.size() + 1), kMinHistory, kMaxHistory);
    if (machine_->finished()) output_ << kFinishedMessage;
}

void StepSession::remember() {
    Snapshot snapshot;
    snapshot.machine = machine_->save();
    snapshot.outputSize = outputText.text().size();
    snapshot.inputState = input.rdstate();
    input.clear();
    snapshot.inputPosition = input.tellg();
    input.setstate(snapshot.inputState);
    snapshot.failure = failure_;
    history.push_back(std::move(snapshot));
    if (history.size() > historyLimit) history.pop_front();
    before = history.back().machine.values;
}

void StepSession::restore(const Snapshot& snapshot) {
    machine_->restore(snapshot.machine);
    outputText.truncate(snapshot.outputSize);
    output_.clear();
    input.clear();
    input.seekg(snapshot.inputPosition);
    input.setstate(snapshot.inputState);
    failure_ = snapshot.failure;
}

// The error, when there is one, is turned into poliz's message only then: most items succeed,
// and a long run to a line steps through millions of them.
bool StepSession::advance() {
    if (!canStep()) return false;
    try {
        machine_->step();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        failure_ = captureReport([&]() -> int { std::rethrow_exception(error); });
        if (failure_.caught.kind == CaughtError::Kind::RUNTIME)
            explainRuntimeFailure(failure_, poliz, machine_->pc(), source);
        if (failure_.caught.kind == CaughtError::Kind::OUTPUT && outputText.limitReached())
            failure_.stopForOutputLimit();
        return false;
    }
    if (machine_->finished()) output_ << kFinishedMessage;
    return !machine_->finished();
}

// A failing item has already taken its operands off the stack when it throws. The move is run
// again from its start up to that item, which is deterministic: the input and the output are
// rewound with the machine.
template <class GoOn>
void StepSession::runWhile(GoOn goOn) {
    remember();
    long itemsRun = 0;
    while (advance()) {
        ++itemsRun;
        if (!goOn()) return;
    }
    if (failure_.status == 0 || failure_.caught.kind != CaughtError::Kind::RUNTIME) return;
    const CapturedReport failure = failure_;
    restore(history.back());
    for (long k = 0; k < itemsRun; ++k) machine_->step();
    failure_ = failure;
}

void StepSession::stepItem() {
    if (!canStep()) return;
    runWhile([] { return false; });
}

void StepSession::stepLine() {
    if (!canStep()) return;
    const int line = poliz.lineOf(machine_->pc());
    int previous = machine_->pc();
    runWhile([&] {
        const int pc = machine_->pc();
        if (poliz.lineOf(pc) != line || pc <= previous) return false;
        previous = pc;
        return true;
    });
}

void StepSession::runToLine(int line) {
    if (!canStep()) return;
    // A line without items (blank, a comment, a lone brace) stands for the next one that has some.
    int target = 0;
    for (int address = 0; address < poliz.size(); ++address) {
        const int itemLine = poliz.lineOf(address);
        if (itemLine >= line && (target == 0 || itemLine < target)) target = itemLine;
    }
    // Before the first item has run, the machine stands at the start of its line: it has
    // arrived there. The move is remembered (it changes nothing), so that the next one goes on.
    if (history.empty() && machine_->pc() == 0 && poliz.lineOf(0) == target) {
        remember();
        return;
    }
    // The machine comes to the line when it enters it from another line, or, in a loop written
    // on the line itself, when it is back at an item of the line it has run in this move. A for
    // header, whose condition and step are parts of one line, is thus come to once per turn.
    std::vector<bool> runHere(static_cast<std::size_t>(poliz.size()));
    int previous = machine_->pc();
    if (poliz.lineOf(previous) == target) runHere[static_cast<std::size_t>(previous)] = true;
    runWhile([&] {
        const int pc = machine_->pc();
        if (poliz.lineOf(pc) == target) {
            if (poliz.lineOf(previous) != target || runHere[static_cast<std::size_t>(pc)]) return false;
            runHere[static_cast<std::size_t>(pc)] = true;
        }
        previous = pc;
        return true;
    });
}

void StepSession::back() {
    if (history.empty()) return;
    restore(history.back());
    history.pop_back();
    before = history.empty() ? machine_->save().values : history.back().machine.values;
}

std::int64_t StepSession::inputUsed() const {
    return static_cast<std::int64_t>(input.rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in));
}

Reply StepSession::state() const {
    Reply reply = Reply::object();
    if (!machine_) {
        translated.writeMembers(reply);
        return reply;
    }
    const int pc = machine_->pc();
    const bool finished = machine_->finished();
    reply["pc"] = pc;
    reply["line"] = finished ? 0 : poliz.lineOf(pc);
    reply["finished"] = finished;
    reply["canGoBack"] = !history.empty();
    reply["output"] = outputText.text();
    reply["inputUsed"] = inputUsed();
    failure_.writeError(reply);
    reply["stack"] = stackReply();
    reply["variables"] = variablesReply();
    return reply;
}

Reply StepSession::stackReply() const {
    Reply stack = Reply::array();
    for (const StackEntry& entry : machine_->stack()) {
        Reply& shown = stack.emplace_back(Reply::object());
        switch (entry.kind) {
            case StackEntry::Kind::VARIABLE:
                shown["kind"] = "variable";
                shown["name"] = names->variableName(entry.variable);
                shown["type"] = entry.variable->typeName();
                shown["assigned"] = entry.variable->isAssigned();
                shown["value"] = valueText(*entry.variable);
                break;
            case StackEntry::Kind::INT:
                shown["kind"] = "value";
                shown["type"] = "int";
                shown["value"] = intToText(entry.i);
                break;
            case StackEntry::Kind::REAL:
                shown["kind"] = "value";
                shown["type"] = "real";
                shown["value"] = realToText(entry.r);
                break;
            case StackEntry::Kind::STRING:
                shown["kind"] = "value";
                shown["type"] = "string";
                shown["value"] = *entry.text;
                break;
            case StackEntry::Kind::LABEL:
                shown["kind"] = "label";
                shown["target"] = entry.i;
                break;
        }
    }
    return stack;
}

Reply StepSession::variablesReply() const {
    Reply shown = Reply::array();
    const auto& variables = machine_->variables();
    for (std::size_t k = 0; k < variables.size(); ++k) {
        const Ident& variable = *variables[k];
        shown.push_back({{"name", names->variableName(&variable)},
                         {"temporary", variable.getString().empty()},
                         {"type", variable.typeName()},
                         {"assigned", variable.isAssigned()},
                         {"value", valueText(variable)},
                         {"changed", k < before.size() && !sameValue(before[k], variable.save())}});
    }
    return shown;
}
