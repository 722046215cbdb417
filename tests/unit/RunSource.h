// Translates and runs a source file with the given input: what it wrote, followed by the
// runtime error if one ended it, or "<not translated>". Used to compare the fused and the
// plain instruction forms on the same program.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>

#include "common/Errors.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

inline std::string runSource(const std::filesystem::path& source, const std::string& input, bool fuse) {
    std::istringstream in(input);
    std::ostringstream out;
    Poliz poliz;
    try {
        Parser parser(source.c_str(), poliz);
        parser.go();
        poliz.go(in, out, RunOptions{fuse});
    } catch (const RuntimeError& e) {
        out << "<runtime error: " << e.getText() << ">";
    } catch (...) {
        return "<not translated>";
    }
    return out.str();
}
