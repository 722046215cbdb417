// Standard streams caught in strings around reportErrors (see CapturedReport.h).
#include "web/CapturedReport.h"

#include <iostream>
#include <sstream>

#include "common/Errors.h"
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
    json.key("status").value(status);
    json.key("output").value(output);
    json.key("error").value(error);
    json.key("errorLine").value(errorLine);
}

CapturedReport captureReport(const std::function<int()>& body) {
    std::ostringstream output;
    std::ostringstream error;
    CapturedReport report;
    {
        const Redirect out(std::cout, output.rdbuf());
        const Redirect err(std::cerr, error.rdbuf());
        report.status = reportErrors([&body, &report] {
            try {
                return body();
            } catch (const LineException& e) {
                // Only the line is taken here; reportErrors still writes the message.
                report.errorLine = e.getLine();
                throw;
            }
        });
    }
    report.output = output.str();
    report.error = error.str();
    return report;
}
