// Explaining runtime errors: the item that failed, the source line it came from, and the
// variable the message names, pointed at where the failing statement uses it.
#include "explain/Explain.h"
#include "explain/VisibleText.h"
#include "poliz/PolizItemText.h"

namespace {

constexpr int kSearchBack = 64;  // items looked at for the variable, within the failing statement

// The address of the variable `name` in the failing statement at or before `failedAt`, or -1.
int variableAddress(const Poliz& poliz, int failedAt, const std::string& name) {
    for (int a = failedAt; a >= 0 && a > failedAt - kSearchBack; --a) {
        if (poliz.lineOf(a) != poliz.lineOf(failedAt)) break;
        const Lex* item = poliz.at(a);
        if (item->getKind() == IDENT && item->getString() == name) return a;
    }
    return -1;
}

// `tmp a b "=" 1 "=" "="`: the value of the first "=" is a bare variable and more follows, so
// the source said a = b = 1.
std::string chainHint(const Poliz& poliz, int failedAt, const std::string& name) {
    if (failedAt < 2 || failedAt + 1 >= poliz.size() || poliz.operationAt(failedAt) != Operation::ASSIGN)
        return {};
    const Lex* value = poliz.at(failedAt - 1);
    const Lex* target = poliz.at(failedAt - 2);
    if (value->getKind() != IDENT || value->getString() != name ||
        poliz.operationAt(failedAt + 1) == Operation::ASSIGN)
        return {};
    if (target->getKind() != IDENT || target->getString().empty()) return {};
    const std::string a = target->getString();
    return ": an assignment chain runs from left to right: " + a + " = " + name +
           " = ... first stores the value of " + name + " into " + a + ", and " + name +
           " has none yet; write " + name + " = ...; " + a + " = " + name + "; instead";
}

// A declaration with an initial value of the variable's own type.
std::string initialDeclaration(const std::string& type, const std::string& name) {
    if (type == kStringType) return "string " + name + " = \"\";";
    if (type == kRealType) return "real " + name + " = 0.0;";
    return "int " + name + " = 0;";
}

// What an input error met, and why: text left over by the read before, a string read that took
// a whole line, the end of where the input came from.
std::string inputStory(const InputFacts* input, bool atEnd) {
    if (input == nullptr)
        return atEnd ? ": the program reads its standard input, as in echo 5 | poliz prog.ppp" : "";
    std::string story;
    if (!atEnd) {
        story = ": it met " + quotedEscaped(input->met);
        if (input->leftOver && !input->previousName.empty())
            story += ", left over on the line by the read of '" + input->previousName +
                     "', which stopped before it";
    } else {
        story = ": " + input->where;
    }
    if (!input->previousLine.empty())
        story += "; read(" + input->previousName + ") took the whole line " +
                 quotedEscaped(input->previousLine) +
                 ", as a string read takes the rest of its line: give each value on a line of its own";
    return story;
}

}  // namespace

Explanation explainRuntimeError(const CaughtError& error, const Poliz& poliz, int failedAt,
                                const SourceText& source, const InputFacts* input) {
    Explanation explanation;
    explanation.text = visible(error.text);
    if (failedAt < 0 || failedAt >= poliz.size()) return explanation;
    const std::string word = poliz.at(failedAt)->getString();
    SourcePosition at = poliz.positionOf(failedAt);
    const std::string item =
        "item " + std::to_string(failedAt) + " ('" + word + "', line " + std::to_string(at.line) + ")";
    const std::string& name = error.subject;
    const int address = name.empty() ? -1 : variableAddress(poliz, failedAt, name);
    if (address >= 0) at = poliz.positionOf(address);
    const std::string type = address >= 0 ? poliz.at(address)->typeName() : std::string();

    std::string& hint = explanation.hint;
    switch (error.fault) {
        case RuntimeFault::DIVISION_BY_ZERO:
            hint = item + " divided by zero: test the divisor first, as in if (d != 0) ... else ...";
            break;
        case RuntimeFault::UNASSIGNED: {
            const std::string chain = chainHint(poliz, failedAt, name);
            if (!chain.empty())
                hint = item + chain;
            else
                hint = item + " needs the value of '" + name + "', which has none yet: give it one first (" +
                       initialDeclaration(type, name) + " among the declarations, an assignment, or read(" +
                       name + ");)";
            break;
        }
        case RuntimeFault::INVALID_INPUT:
            hint = item + " read input that is not " + (type == kIntType ? "an integer" : "a number") +
                   " for '" + name + "'" + (type.empty() ? "" : " (" + type + ")") + inputStory(input, false);
            break;
        case RuntimeFault::END_OF_INPUT:
            hint = item + " found no more input for '" + name + "'" + inputStory(input, true);
            break;
        case RuntimeFault::STEP_BUDGET:
        case RuntimeFault::MALFORMED:
            hint =
                item + " met a malformed POLIZ program, which is a fault of poliz itself: please report it";
            break;
    }
    placeExplanation(explanation, at, source);
    return explanation;
}
