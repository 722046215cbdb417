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

void CapturedReport::writeMembers(Json& json) const {
    json.key("output").value(output);
    json.key("inputUsed").value(inputUsed);
    writeError(json);
}

void CapturedReport::stopForOutputLimit() {
    error = kOutputLimitMessage;
    outputLimit = true;
    hint.clear();
    note.clear();
}

void CapturedReport::writeError(Json& json) const {
    json.key("status").value(status);
    json.key("error").value(error);
    json.key("errorLine").value(errorLine);
    json.key("errorColumn").value(errorColumn);
    json.key("hint").value(hint);
    json.key("note").value(note);
    json.key("errorItem").value(errorItem);
    json.key("outputLimit").value(outputLimit);
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
