// The entry point: translate the source file, then run it; every error becomes one message on
// standard error and an exit status (1 lexical, 2 syntax, 3 semantic, 4 runtime, 5 a failure
// of the interpreter itself, such as output that cannot be written).
#include <iostream>

#include "common/ReportErrors.h"
#include "driver/RunProgram.h"
#include "fast/FastRun.h"

namespace {

constexpr const char* kDefaultFile = "proga1.ppp";

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const char* fileName = argc > 1 ? argv[1] : kDefaultFile;
    return reportErrors([fileName] {
        return runProgram(
            fileName, std::cin, std::cout,
            [](const Poliz& poliz, std::istream& in, std::ostream& out) { runFast(poliz, in, out); });
    });
}
