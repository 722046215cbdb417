// Turning the errors of a run into one message and an exit status (see ReportErrors.h).
#include "common/ReportErrors.h"

#include <exception>
#include <iostream>
#include <new>

#include "common/CaughtError.h"

namespace {

constexpr int kInternalFailure = 5;

int reportRunErrors(const std::function<int()>& body, CaughtError* caught) {
    int status = 0;
    const CaughtError error = catchRunError([&] { status = body(); });
    if (caught != nullptr) *caught = error;
    if (error.kind == CaughtError::Kind::NONE) return status;
    return report(error.message, error.status);
}

}  // namespace

// Output the program wrote stays written and reaches the console before the message does.
int report(const std::string& message, int status) {
    std::cout.flush();
    std::cerr << message << std::endl;
    return status;
}

int reportErrors(const std::function<int()>& body, CaughtError* caught) {
    // The program's own failures are caught outside the errors of the run, so that a failure
    // while reporting one (out of memory) still ends in a message.
    try {
        return reportRunErrors(body, caught);
    } catch (const std::bad_alloc&) {
        return report("Error: out of memory!", kInternalFailure);
    } catch (const std::exception& e) {
        return report(std::string("Error: ") + e.what(), kInternalFailure);
    } catch (...) {
        return report("Error: unexpected internal failure!", kInternalFailure);
    }
}
