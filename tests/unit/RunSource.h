// Translates and runs a source with the given input on one of the machines: what it wrote,
// followed by the runtime error if one ended it, or "<not translated>". Used to compare the
// machines on the same program.
#pragma once

#include <optional>
#include <sstream>
#include <string>

#include "Engines.h"
#include "common/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "scanner/Source.h"

inline std::string runSource(Source source, const std::string& input, Engine engine) {
    std::istringstream in(input);
    std::ostringstream out;
    Poliz poliz;
    // The parser's tables own the program's variables: it lives until the run is over. Every
    // program translates afresh for each machine, as a run changes its variables.
    std::optional<Parser> parser;
    try {
        parser.emplace(std::move(source), poliz);
        parser->go();
    } catch (...) {
        return "<not translated>";
    }
    try {
        runOn(engine, poliz, in, out);
    } catch (const RuntimeError& e) {
        out << "<runtime error: " << e.getText() << ">";
    }
    return out.str();
}
