// poliz_reference: poliz with the reference stack machine in place of the fast backend, for
// the benchmarks (bench/run.py), the differential runs (tools/progen/) and running the golden
// programs on both machines. Same command line, messages and exit status as poliz; not installed.
#include <iostream>

#include "common/ReportErrors.h"
#include "driver/RunProgram.h"
#include "machine/StackMachine.h"

namespace {

constexpr const char* kDefaultFile = "proga1.ppp";

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const char* fileName = argc > 1 ? argv[1] : kDefaultFile;
    return reportErrors([fileName] {
        return runProgram(fileName, std::cin, std::cout,
                          [](const Poliz& poliz, std::istream& in, std::ostream& out) {
                              StackMachine(poliz, in, out).run();
                          });
    });
}
