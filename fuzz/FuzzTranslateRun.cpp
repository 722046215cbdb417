// libFuzzer entry: arbitrary bytes as source text (before the last NUL byte) and as standard
// input (after it), translated and, when accepted, run under the fuzz build's step budget.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "driver/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

// The source goes through the real file path of the scanner, but in memory.
class MemorySourceFile {
    int fd = memfd_create("poliz-fuzz-source", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);

public:
    const char* write(std::string_view text) {
        if (ftruncate(fd, 0) != 0 || pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
            __builtin_trap();
        return path.c_str();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemorySourceFile file;
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t split = all.rfind('\0');
    std::string_view source = split == std::string_view::npos ? all : all.substr(0, split);
    std::string_view input = split == std::string_view::npos ? std::string_view() : all.substr(split + 1);

    Poliz poliz;
    try {
        Parser parser(file.write(source), poliz);
        parser.go();
        std::istringstream in{std::string(input)};
        std::ostringstream out;
        poliz.go(in, out);
    } catch (const US&) {
    } catch (const USAfter&) {
    } catch (const UEOF&) {
    } catch (const SyntaxError&) {
    } catch (const SemanticError&) {
    } catch (const RuntimeError&) {
    } catch (const OpenError&) {
        __builtin_trap();  // the in-memory file always opens
    }
    return 0;
}
