// Reading a source file line by line, and naming a line (see SourceLines.h).
#include "show/SourceLines.h"

#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> linesOf(std::istream& in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
    return lines;
}

}  // namespace

std::vector<std::string> readSourceLines(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return linesOf(in);
}

std::vector<std::string> splitSourceLines(const std::string& text) {
    std::istringstream in(text);
    return linesOf(in);
}

std::string lineHeader(int line, const std::vector<std::string>& sourceLines) {
    std::string text = "line " + std::to_string(line);
    if (line < 1 || static_cast<std::size_t>(line) > sourceLines.size()) return text;
    const std::string& source = sourceLines[static_cast<std::size_t>(line) - 1];
    const std::size_t first = source.find_first_not_of(" \t\r");
    if (first == std::string::npos) return text;
    const std::size_t last = source.find_last_not_of(" \t\r");
    text += ": ";
    return text + printableSource(source.substr(first, last - first + 1));
}

std::string printableSource(const std::string& text) {
    std::string printable;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        printable += (byte < 0x20 && c != '\t') || byte == 0x7f ? '?' : c;
    }
    return printable;
}
