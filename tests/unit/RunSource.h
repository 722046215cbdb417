// Translates and runs a source file with the given input on one of the machines: what it wrote,
// followed by the runtime error if one ended it, or "<not translated>". Used to compare the
// machines on the same program.
#pragma once

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "Engines.h"
#include "common/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

inline std::string runSource(const std::filesystem::path& source, const std::string& input, Engine engine) {
    std::istringstream in(input);
    std::ostringstream out;
    Poliz poliz;
    // The parser's tables own the program's variables: it lives until the run is over. Every
    // program translates afresh for each machine, as a run changes its variables.
    std::optional<Parser> parser;
    try {
        parser.emplace(source.c_str(), poliz);
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
