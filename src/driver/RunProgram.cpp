// The fixed order of a run (see RunProgram.h).
#include "driver/RunProgram.h"

#include <istream>
#include <ostream>

#include "common/CheckedOutput.h"
#include "fast/FastRun.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

int runProgram(const std::string& fileName, std::istream& in, std::ostream& out, ScanTrail* trail) {
    // The parser owns the lexemes the POLIZ items point to, so it lives until the run ends.
    Poliz poliz;
    Parser parser(fileName.c_str(), poliz, trail);
    parser.go();
    out << kCompiledMessage << std::flush;
    checkWritten(out);
    runFast(poliz, in, out);
    out << kFinishedMessage << std::flush;
    checkWritten(out);
    return 0;
}
