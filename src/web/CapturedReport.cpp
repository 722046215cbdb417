// Standard streams caught in strings around reportErrors (see CapturedReport.h).
#include "web/CapturedReport.h"

#include <iostream>
#include <sstream>

#include "common/ReportErrors.h"

namespace {

// Points a standard stream at a string buffer and back again, whatever happens in between.
class Redirect {
    std::ostream& stream;
    std::streambuf* saved;

public:
    Redirect(std::ostream& stream, std::streambuf* to) : stream(stream), saved(stream.rdbuf(to)) {}
    ~Redirect() { stream.rdbuf(saved); }
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;
};

}  // namespace

void CapturedReport::writeMembers(Reply& reply) const {
    reply["output"] = output;
    reply["inputUsed"] = inputUsed;
    writeError(reply);
}

void CapturedReport::stopForOutputLimit() {
    error = kOutputLimitMessage;
    outputLimit = true;
    hint.clear();
    note.clear();
}

void CapturedReport::writeError(Reply& reply) const {
    reply["status"] = status;
    reply["error"] = error;
    reply["errorLine"] = errorLine;
    reply["errorColumn"] = errorColumn;
    reply["hint"] = hint;
    reply["note"] = note;
    reply["errorItem"] = errorItem;
    reply["outputLimit"] = outputLimit;
}

CapturedReport captureReport(const std::function<int()>& body, PageOutput* pageOutput) {
    std::ostringstream output;
    std::ostringstream error;
    CapturedReport report;
    {
        const Redirect out(std::cout, pageOutput ? static_cast<std::streambuf*>(pageOutput) : output.rdbuf());
        const Redirect err(std::cerr, error.rdbuf());
        report.status = reportErrors(body, &report.caught);
    }
    report.errorLine = report.caught.line;
    report.output = pageOutput ? pageOutput->text() : output.str();
    report.error = error.str();
    if (pageOutput && pageOutput->limitReached() && report.caught.kind == CaughtError::Kind::OUTPUT)
        report.stopForOutputLimit();
    return report;
}
