// A source text written to a temporary file for the parts that read files, removed afterwards.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

class SourceFile {
    std::string path;

public:
    explicit SourceFile(const std::string& text) {
        static int counter = 0;
        path = (std::filesystem::temp_directory_path() /
                ("poliz-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".ppp"))
                   .string();
        std::ofstream(path, std::ios::binary) << text;
    }
    ~SourceFile() { std::remove(path.c_str()); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    const char* name() const { return path.c_str(); }
};
