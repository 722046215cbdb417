// Stepping a program forward and back on the reference machine (see StepSession.h).
#include "web/StepSession.h"

#include <algorithm>
#include <cstring>

#include "driver/RunProgram.h"
#include "runtime/NumberText.h"
#include "web/Json.h"
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

StepSession::StepSession(const std::string& fileName, const std::string& text)
    : input(text), source(SourceText::fromFile(fileName)) {
    translated = translateForPage(fileName, poliz, parser);
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
    snapshot.outputSize = static_cast<std::size_t>(output_.tellp());
    snapshot.inputState = input.rdstate();
    input.clear();
    snapshot.inputPosition = input.tellg();
    input.setstate(snapshot.inputState);
    snapshot.failure = failure_;
    history.push_back(std::move(snapshot));
    if (history.size() > historyLimit) history.pop_front();
    before = history.back().machine.values;
}

bool StepSession::advance() {
    if (!canStep()) return false;
    const CapturedReport report = captureReport([this] {
        machine_->step();
        return 0;
    });
    if (report.status != 0) {
        failure_ = report;
        if (report.caught.kind == CaughtError::Kind::RUNTIME)
            explainRuntimeFailure(failure_, poliz, machine_->pc(), source);
        return false;
    }
    if (machine_->finished()) output_ << kFinishedMessage;
    return !machine_->finished();
}

void StepSession::stepItem() {
    if (!canStep()) return;
    remember();
    advance();
}

void StepSession::stepLine() {
    if (!canStep()) return;
    remember();
    const int line = poliz.lineOf(machine_->pc());
    int previous = machine_->pc();
    while (advance()) {
        const int pc = machine_->pc();
        if (poliz.lineOf(pc) != line || pc <= previous) return;
        previous = pc;
    }
}

void StepSession::runToLine(int line) {
    if (!canStep()) return;
    remember();
    int previous = machine_->pc();
    while (advance()) {
        const int pc = machine_->pc();
        // Entering the line: from another line, or by a jump back to its start.
        if (poliz.lineOf(pc) == line && (poliz.lineOf(previous) != line || pc <= previous)) return;
        previous = pc;
    }
}

void StepSession::back() {
    if (history.empty()) return;
    const Snapshot& snapshot = history.back();
    machine_->restore(snapshot.machine);
    std::string text = output_.str();
    text.resize(snapshot.outputSize);
    output_.str(text);
    output_.seekp(0, std::ios::end);
    input.clear();
    input.seekg(snapshot.inputPosition);
    input.setstate(snapshot.inputState);
    failure_ = snapshot.failure;
    history.pop_back();
    before = history.empty() ? machine_->save().values : history.back().machine.values;
}

std::string StepSession::stateJson() const {
    Json json;
    json.beginObject();
    if (!machine_) {
        translated.writeMembers(json);
    } else {
        const int pc = machine_->pc();
        const bool finished = machine_->finished();
        json.key("pc").value(pc);
        json.key("line").value(finished ? 0 : poliz.lineOf(pc));
        json.key("finished").value(finished);
        json.key("canGoBack").value(!history.empty());
        json.key("output").value(output_.str());
        failure_.writeError(json);
        appendStack(json);
        appendVariables(json);
    }
    json.endObject();
    return json.str();
}

void StepSession::appendStack(Json& json) const {
    json.key("stack").beginArray();
    for (const StackEntry& entry : machine_->stack()) {
        json.beginObject();
        switch (entry.kind) {
            case StackEntry::Kind::VARIABLE:
                json.key("kind").value("variable");
                json.key("name").value(names->variableName(entry.variable));
                json.key("type").value(entry.variable->typeName());
                json.key("assigned").value(entry.variable->isAssigned());
                json.key("value").value(valueText(*entry.variable));
                break;
            case StackEntry::Kind::INT:
                json.key("kind").value("value").key("type").value("int");
                json.key("value").value(intToText(entry.i));
                break;
            case StackEntry::Kind::REAL:
                json.key("kind").value("value").key("type").value("real");
                json.key("value").value(realToText(entry.r));
                break;
            case StackEntry::Kind::STRING:
                json.key("kind").value("value").key("type").value("string");
                json.key("value").value(*entry.text);
                break;
            case StackEntry::Kind::LABEL: json.key("kind").value("label").key("target").value(entry.i); break;
        }
        json.endObject();
    }
    json.endArray();
}

void StepSession::appendVariables(Json& json) const {
    json.key("variables").beginArray();
    const auto& variables = machine_->variables();
    for (std::size_t k = 0; k < variables.size(); ++k) {
        const Ident& variable = *variables[k];
        json.beginObject();
        json.key("name").value(names->variableName(&variable));
        json.key("temporary").value(variable.getString().empty());
        json.key("type").value(variable.typeName());
        json.key("assigned").value(variable.isAssigned());
        json.key("value").value(valueText(variable));
        json.key("changed").value(k < before.size() && !sameValue(before[k], variable.save()));
        json.endObject();
    }
    json.endArray();
}
