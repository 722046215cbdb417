// The entry point: translate the source file, then run it; every error becomes one message on
// standard error and an exit status (1 lexical, 2 syntax, 3 semantic, 4 runtime, 5 a failure
// of the interpreter itself, such as output that cannot be written).
#include <iostream>

#include "common/CheckedOutput.h"
#include "common/ReportErrors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

constexpr const char* kDefaultFile = "proga1.ppp";

int run(const char* fileName) {
    Poliz poliz;
    Parser parser(fileName, poliz);
    parser.go();
    std::cout << "\nTotal congratulations! Your program has compiled successfully!" << std::endl;
    checkWritten(std::cout);
    poliz.go();
    std::cout << "\nMore total congratulations! Your program has runned and worked successfully!"
              << std::endl;
    checkWritten(std::cout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const char* fileName = argc > 1 ? argv[1] : kDefaultFile;
    return reportErrors([fileName] { return run(fileName); });
}
