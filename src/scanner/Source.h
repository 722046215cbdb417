// The source file, read in chunks as the scanner asks for characters: nothing is read ahead of
// need, so an endless source costs nothing and a slow one is translated as its text arrives.
// When the source is standard input, what follows the program is handed on (SourceRest.h).
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

class Source {
    static constexpr std::size_t kChunk = std::size_t{1} << 16;

    std::string fileName;
    int descriptor = -1;
    std::unique_ptr<char[]> chunk;
    std::size_t next = 0;    // the next character of the chunk to hand out
    std::size_t filled = 0;  // characters of the chunk that hold text
    bool keeping = false;    // the chunks read are kept, for keptText
    std::string kept;        // the chunks before this one, while keeping

    bool refill();

public:
    // Opens the file; throws OpenError when it cannot be opened or is a directory.
    explicit Source(const char* fileName);
    ~Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // True when the source is the very object open as standard input (a pipe, a FIFO, or a file
    // named /dev/stdin, which the system opens anew at its start), so that the program's input
    // is what follows the program on it.
    bool isStandardInput() const;

    // From now on, until takeRest, the text read is kept: for the tools that show the source
    // when it cannot be read a second time (a pipe). Call before the first chunk is read.
    void keepText() { keeping = true; }
    // Reads on, while keeping, to the end of the line of the last character handed out, so that
    // the line of a translation error shows whole; a failure to read just ends the text there.
    void keepRestOfLine();
    // The text read so far, whole chunks: possibly more than has been handed out.
    std::string keptText() const { return kept + std::string(chunk.get(), filled); }

    // The characters after the last one handed out: those already read, else the next that the
    // system has ready (none at the end of the text). They count as handed out.
    std::span<char> takeRest();

    // Puts the next character into c, or returns false at the end of the text (c unchanged).
    // Throws ReadError when the system cannot read the file.
    bool get(char& c) {
        if (next == filled && !refill()) return false;
        c = chunk[next++];
        return true;
    }
};
