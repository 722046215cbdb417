// poliz_reference: poliz with the reference stack machine in place of the fast backend, for
// the benchmarks (bench/run.py), the differential runs (tools/progen/) and running the golden
// programs on both machines. Same command line, messages and exit status as poliz; not installed.
#include "driver/RunProgram.h"
#include "machine/StackMachine.h"

int main(int argc, char** argv) {
    return runConsole(argc, argv, [](const Poliz& poliz, std::istream& in, std::ostream& out) {
        StackMachine(poliz, in, out).run();
    });
}
