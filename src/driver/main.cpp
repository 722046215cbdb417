// The entry point: translate the source file, then run it; every error becomes one message on
// standard error and an exit status (1 lexical, 2 syntax, 3 semantic, 4 runtime).
#include <iostream>
#include <new>
#include <string>

#include "driver/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

constexpr const char* kDefaultFile = "proga1.ppp";
constexpr int kInternalFailure = 5;

// Output the program wrote stays written and reaches the console before the message does.
int report(const std::string& message, int status) {
    std::cout.flush();
    std::cerr << message << std::endl;
    return status;
}

std::string atLine(const char* what, const LineException& e) {
    return std::string(what) + " (line " + std::to_string(e.getLine()) + "): ";
}

int run(const char* fileName) {
    Poliz poliz;
    try {
        Parser parser(fileName, poliz);
        parser.go();
        std::cout << "\nTotal congratulations! Your program has compiled successfully!" << std::endl;
        poliz.go();
        std::cout << "\nMore total congratulations! Your program has runned and worked successfully!" << std::endl;
        return 0;
    } catch (US e) {
        return report(atLine("Error", e) + "unresolved symbol " + e.getSymb(), 1);
    } catch (USAfter e) {
        return report(atLine("Error", e) + "unresolved symbol after " + e.getLast(), 1);
    } catch (UEOF) {
        return report("Unexpected end of file!", 1);
    } catch (SyntaxError e) {
        return report(atLine("Syntax error", e) + e.getText(), 2);
    } catch (SemanticError e) {
        return report(atLine("Semantic error", e) + e.getText(), 3);
    } catch (RuntimeError e) {
        return report("Runtime error: " + e.getText(), 4);
    } catch (OpenError e) {
        return report("Error: cannot open file '" + e.getFileName() + "'!", 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const char* fileName = argc > 1 ? argv[1] : kDefaultFile;
    try {
        return run(fileName);
    } catch (const std::bad_alloc&) {
        return report("Error: out of memory!", kInternalFailure);
    } catch (const std::exception& e) {
        return report(std::string("Error: ") + e.what(), kInternalFailure);
    } catch (...) {
        return report("Error: unexpected internal failure!", kInternalFailure);
    }
}
