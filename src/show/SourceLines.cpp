// Reading a source file line by line (see SourceLines.h).
#include "show/SourceLines.h"

#include <fstream>

std::vector<std::string> readSourceLines(const std::string& fileName) {
    std::vector<std::string> lines;
    std::ifstream in(fileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
    return lines;
}
