// poliz_reference: poliz with the reference stack machine in place of the fast backend, for
// the benchmarks and for running the golden programs on both machines. Same command line,
// messages and exit status as poliz; not installed.
#include <iostream>

#include "common/ReportErrors.h"
#include "machine/StackMachine.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

int run(const char* fileName) {
    Poliz poliz;
    Parser parser(fileName, poliz);
    parser.go();
    std::cout << "\nTotal congratulations! Your program has compiled successfully!" << std::endl;
    StackMachine machine(poliz, std::cin, std::cout);
    machine.run();
    std::cout << "\nMore total congratulations! Your program has runned and worked successfully!"
              << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const char* fileName = argc > 1 ? argv[1] : "proga1.ppp";
    return reportErrors([fileName] { return run(fileName); });
}
