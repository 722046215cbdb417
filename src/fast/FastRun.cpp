// The entry point of a run: decode the items once, then hand them to the stack machine.
#include "fast/FastRun.h"

#include <ctime>

#include "fast/Instr.h"
#include "fast/Machine.h"
#include "fast/NativeTier.h"
#include "poliz/Poliz.h"

void runFast(const Poliz& poliz, std::istream& in, std::ostream& out, const RunOptions& options) {
    Machine machine(in, out, options.outputChunk);
    const NativeMode mode = options.fuse ? nativeMode() : NativeMode::OFF;
    // In auto mode the trace says when a run ended before any loop got hot, ahead of an error's
    // message; every other way a run can go is said where the native tier is asked.
    bool notHot = mode == NativeMode::AUTO;
    const auto finish = [&] {
        machine.flushOutput();
        if (notHot) nativeTrace("not hot");
    };
    try {
        if (mode == NativeMode::ALWAYS) {
            if (const auto native = NativeProgram::compile(poliz, 0)) {
                native->run(in, out);
                return;
            }
        }
        // Processor time, not the clock on the wall: waiting for input or for a busy machine's
        // processor makes no loop hot.
        const std::clock_t start = std::clock();
        const auto hotAfter =
            static_cast<std::clock_t>(hotMilliseconds(poliz.size()) * (CLOCKS_PER_SEC / 1000));
        Program program = options.fuse ? decodeForRun(poliz, mode == NativeMode::AUTO) : decode(poliz, false);
        if (mode == NativeMode::AUTO) machine.watchLoops(kBackwardJumpsPerCheck);
        machine.run(program, 0);
        // The run stops at a backward jump now and then: once it has run long enough, the
        // program goes on in native code from that loop's head, or, where the native tier is
        // missing or declines the program, here, no longer counting.
        for (Machine::HotLoop hot = machine.hotLoop(); hot.item >= 0; hot = machine.hotLoop()) {
            if (std::clock() - start < hotAfter) {
                machine.watchLoops(kBackwardJumpsPerCheck);
                machine.run(program, hot.resume);
                continue;
            }
            machine.watchLoops(0);
            notHot = false;
            const auto native = NativeProgram::compile(poliz, hot.item);
            if (native) {
                machine.flushOutput();
                native->run(in, out);
                break;
            }
            machine.run(program, hot.resume);
        }
    } catch (const MalformedItem& bad) {
        finish();
        // Only a hand-built program is malformed; the machine has already turned the address
        // of the failing instruction into its item's.
        const std::string item = bad.address < poliz.size() ? poliz.at(bad.address)->getString() : "";
        throw bad.message(item, bad.address);
    } catch (...) {
        // Output written before an error stays written, ahead of the driver's message.
        finish();
        throw;
    }
    finish();
}
