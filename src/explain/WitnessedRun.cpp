// The reference machine stepped with its input watched (see WitnessedRun.h).
#include "explain/WitnessedRun.h"

#include <istream>
#include <vector>

#include "common/Errors.h"
#include "explain/InputWitness.h"
#include "machine/StackMachine.h"

bool runWitnessed(const Poliz& poliz, std::istream& in, std::ostream& out, const std::string& inputOrigin,
                  const SourceText& source, std::optional<RuntimeFailure>& failure, long maxSteps) {
    InputWitness witness(*in.rdbuf(), inputOrigin);
    std::istream watched(&witness);
    StackMachine machine(poliz, watched, out);
    std::vector<bool> reads(static_cast<std::size_t>(poliz.size()));
    for (int a = 0; a < poliz.size(); ++a)
        reads[static_cast<std::size_t>(a)] = poliz.operationAt(a) == Operation::READ;
    try {
        for (long steps = 0; !machine.finished(); ++steps) {
            if (steps == maxSteps) return false;
            const bool read = reads[static_cast<std::size_t>(machine.pc())];
            // The variable read into is on top of the stack when "read" runs.
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
        const bool input = isInputFault(caught.fault);
        const InputFacts facts = input ? witness.facts() : InputFacts{};
        failure = RuntimeFailure{
            caught, machine.pc(),
            explainRuntimeError(caught, poliz, machine.pc(), source, input ? &facts : nullptr)};
        throw;
    }
    return true;
}
