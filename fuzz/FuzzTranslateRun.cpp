// libFuzzer entry: arbitrary bytes as source text (before the last NUL byte) and as standard
// input (after it), translated and, when accepted, run under the fuzz build's step budget on
// the fast backend (with its fused forms and without) and on the reference machine; the runs
// must agree.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "common/Errors.h"
#include "fast/FastRun.h"
#include "machine/StackMachine.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "runtime/RuntimeMessages.h"

namespace {

// What one translation and run produced: the output and how it ended.
struct Outcome {
    std::string output;
    std::string ending;

    bool operator==(const Outcome&) const = default;
    bool cutShort() const { return ending == "runtime Step budget exhausted!"; }
};

enum class Engine { FAST, FAST_PLAIN, REFERENCE };

// The reference machine has no budget of its own; it is stepped here. Its steps are items,
// and a compiled statement of the fast backend covers many items in one step, so it gets more.
constexpr long long kReferenceSteps = 10LL * POLIZ_STEP_BUDGET;

void runReference(const Poliz& poliz, std::istream& in, std::ostream& out) {
    StackMachine machine(poliz, in, out);
    for (long long steps = 0; !machine.finished(); ++steps) {
        if (steps == kReferenceSteps) throw rtmsg::stepBudgetExhausted();
        machine.step();
    }
}

Outcome translateAndRun(std::string_view source, std::string_view input, Engine engine) {
    Outcome outcome;
    Poliz poliz;
    std::ostringstream out;
    try {
        Parser parser(Source::fromText(std::string(source)), poliz);
        parser.go();
        std::istringstream in{std::string(input)};
        if (engine == Engine::REFERENCE) {
            runReference(poliz, in, out);
        } else {
            RunOptions options;
            options.fuse = engine == Engine::FAST;
            runFast(poliz, in, out, options);
        }
        outcome.ending = "ok";
    } catch (const US& e) {
        outcome.ending = "US " + e.getSymb();
    } catch (const USAfter& e) {
        outcome.ending = "USAfter " + e.getLast();
    } catch (const UEOF&) {
        outcome.ending = "UEOF";
    } catch (const SyntaxError& e) {
        outcome.ending = "syntax " + e.getText();
    } catch (const SemanticError& e) {
        outcome.ending = "semantic " + e.getText();
    } catch (const RuntimeError& e) {
        outcome.ending = "runtime " + e.getText();
    }
    outcome.output = std::move(out).str();
    return outcome;
}

}  // namespace

// The program runs on the fast backend first: its budget also counts the bytes of strings made,
// so a run it finishes is small enough for the others. Any difference in output or ending
// between the machines is a fault of the fast backend (or of the reference).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t split = all.rfind('\0');
    std::string_view source = split == std::string_view::npos ? all : all.substr(0, split);
    std::string_view input = split == std::string_view::npos ? std::string_view() : all.substr(split + 1);

    Outcome fast = translateAndRun(source, input, Engine::FAST);
    // The machines take different numbers of steps, so the budget can cut one run short where
    // another finishes; such runs have nothing to compare.
    if (fast.cutShort()) return 0;
    Outcome reference = translateAndRun(source, input, Engine::REFERENCE);
    if (reference.cutShort()) return 0;
    if (!(fast == reference)) __builtin_trap();
    Outcome plain = translateAndRun(source, input, Engine::FAST_PLAIN);
    if (!plain.cutShort() && !(plain == reference)) __builtin_trap();
    return 0;
}
