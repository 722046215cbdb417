// The entry point: translate the source file, then run it on the fast backend; every error
// becomes one message on standard error and an exit status (1 lexical, 2 syntax, 3 semantic,
// 4 runtime, 5 a failure of the interpreter itself, such as output that cannot be written).
#include "driver/RunProgram.h"
#include "fast/FastRun.h"

int main(int argc, char** argv) {
    return runConsole(
        argc, argv, [](const Poliz& poliz, std::istream& in, std::ostream& out) { runFast(poliz, in, out); });
}
