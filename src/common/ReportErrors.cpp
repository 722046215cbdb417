// Turning the errors of a run into one message and an exit status (see ReportErrors.h).
#include "common/ReportErrors.h"

#include <exception>
#include <iostream>
#include <new>

#include "common/Errors.h"

namespace {

constexpr int kInternalFailure = 5;

std::string atLine(const char* what, const LineException& e) {
    return std::string(what) + " (line " + std::to_string(e.getLine()) + "): ";
}

int reportRunErrors(const std::function<int()>& body) {
    try {
        return body();
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
    } catch (ReadError e) {
        return report("Error: cannot read file '" + e.getFileName() + "'!", 1);
    } catch (OutputError) {
        return report("Error: cannot write to standard output!", kInternalFailure);
    }
}

}  // namespace

// Output the program wrote stays written and reaches the console before the message does.
int report(const std::string& message, int status) {
    std::cout.flush();
    std::cerr << message << std::endl;
    return status;
}

int reportErrors(const std::function<int()>& body) {
    // The program's own failures are caught outside the errors of the run, so that a failure
    // while reporting one (out of memory) still ends in a message.
    try {
        return reportRunErrors(body);
    } catch (const std::bad_alloc&) {
        return report("Error: out of memory!", kInternalFailure);
    } catch (const std::exception& e) {
        return report(std::string("Error: ") + e.what(), kInternalFailure);
    } catch (...) {
        return report("Error: unexpected internal failure!", kInternalFailure);
    }
}
