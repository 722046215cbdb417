// libFuzzer entry: arbitrary bytes as source text (before the last NUL byte) and as standard
// input (after it), translated and, when accepted, run under the fuzz build's step budget,
// once with the fused instruction forms and once without; the two runs must agree.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "common/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

// The source goes through the real file path of the scanner, but in memory.
class MemorySourceFile {
    int fd = memfd_create("poliz-fuzz-source", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);

public:
    const char* write(std::string_view text) {
        if (ftruncate(fd, 0) != 0 ||
            pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
            __builtin_trap();
        return path.c_str();
    }
};

// What one translation and run produced: the output and how it ended.
struct Outcome {
    std::string output;
    std::string ending;

    bool operator==(const Outcome&) const = default;
    bool cutShort() const { return ending == "runtime Step budget exhausted!"; }
};

Outcome translateAndRun(const char* path, std::string_view input, bool fuse) {
    Outcome outcome;
    Poliz poliz;
    std::ostringstream out;
    try {
        Parser parser(path, poliz);
        parser.go();
        std::istringstream in{std::string(input)};
        RunOptions options;
        options.fuse = fuse;
        poliz.go(in, out, options);
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
    } catch (const OpenError&) {
        __builtin_trap();  // the in-memory file always opens
    }
    outcome.output = std::move(out).str();
    return outcome;
}

}  // namespace

// The program runs twice, with the fused instruction forms and with every item as its own
// step; any difference in output or ending is a fault of the fused forms.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemorySourceFile file;
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t split = all.rfind('\0');
    std::string_view source = split == std::string_view::npos ? all : all.substr(0, split);
    std::string_view input = split == std::string_view::npos ? std::string_view() : all.substr(split + 1);

    const char* path = file.write(source);
    Outcome fused = translateAndRun(path, input, true);
    Outcome plain = translateAndRun(path, input, false);
    // The plain form takes more steps, so the budget can cut either run short where the other
    // finishes; such runs have nothing to compare.
    if (fused.cutShort() || plain.cutShort()) return 0;
    if (!(fused == plain)) __builtin_trap();
    return 0;
}
