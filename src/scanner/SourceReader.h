// The source file, read in chunks as the scanner asks for characters: nothing is read ahead of
// need, so an endless source costs nothing and a slow one is translated as its text arrives.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class SourceReader {
    static constexpr std::size_t kChunk = std::size_t{1} << 16;

    std::string fileName;
    int descriptor = -1;
    std::unique_ptr<char[]> chunk;
    std::size_t next = 0;    // the next character of the chunk to hand out
    std::size_t filled = 0;  // characters of the chunk that hold text

    bool refill();

public:
    // Opens the file; throws OpenError when it cannot be opened or is a directory.
    explicit SourceReader(const char* fileName);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Puts the next character into c, or returns false at the end of the text (c unchanged).
    // Throws ReadError when the system cannot read the file.
    bool get(char& c) {
        if (next == filled && !refill()) return false;
        c = chunk[next++];
        return true;
    }
};
