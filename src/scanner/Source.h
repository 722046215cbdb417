// The text the scanner reads, handed out one character at a time. A source is a file, a text
// already in memory (an editor's buffer, the playground's editor, a test's snippet) or a stream.
// A file or a stream is read in chunks as the scanner asks for characters: nothing is read ahead
// of need, so an endless source costs nothing and a slow one is translated as its text arrives.
// When the source is standard input, what follows the program is handed on (SourceRest.h).
#pragma once

#include <cstddef>
#include <iosfwd>
#include <span>
#include <string>

class Source {
public:
    // Opens the file; throws OpenError when it cannot be opened or is a directory.
    static Source fromFile(const std::string& fileName);
    static Source fromText(std::string text);
    // Reads `in` as it is needed; `in` must outlive the source.
    static Source fromStream(std::istream& in);

    Source(Source&& other) noexcept;
    Source& operator=(Source&&) = delete;
    ~Source();

    // True when the source is the very object open as standard input (a pipe, a FIFO, or a file
    // named /dev/stdin, which the system opens anew at its start, or the stream std::cin), so
    // that the program's input is what follows the program on it.
    bool isStandardInput() const;

    // From now on, until takeRest, the text read is kept: for the tools that show the source
    // when it cannot be read a second time (a pipe). Call before the first character is read.
    void keepText() { keeping = true; }
    // Reads on, while keeping, to the end of the line of the last character handed out, so that
    // the line of a translation error shows whole; a failure to read just ends the text there.
    void keepRestOfLine();
    // The text read so far, whole chunks: possibly more than has been handed out. A text in
    // memory is all read at once.
    std::string keptText() const { return kept + window.substr(0, filled); }

    // The characters after the last one handed out: those already read, else the next that the
    // source has ready (none at the end of the text). They count as handed out.
    std::span<char> takeRest();

    // Puts the next character into c, or returns false at the end of the text (c unchanged).
    // Throws ReadError when the system cannot read the file.
    bool get(char& c) {
        if (next == filled && !refill()) return false;
        c = window[next++];
        return true;
    }

private:
    enum class Kind { FILE, TEXT, STREAM };
    static constexpr std::size_t kChunk = std::size_t{1} << 16;

    // The characters read and not yet all handed out: a chunk of a file or a stream, or the
    // whole text. Indexed rather than pointed into, so that a source moves safely. First, as
    // every character reads them.
    std::string window;
    std::size_t next = 0;    // the next character of the window to hand out
    std::size_t filled = 0;  // characters of the window that hold text
    Kind kind;
    std::string fileName;              // FILE: for the error that names it
    int descriptor = -1;               // FILE
    std::streambuf* stream = nullptr;  // STREAM
    bool keeping = false;              // the chunks read are kept, for keptText
    std::string kept;                  // the chunks before this one, while keeping

    explicit Source(Kind kind) : kind(kind) {}
    // Reads the next chunk into the window; false at the end of the text.
    bool refill();
    bool refillFromFile();
    bool refillFromStream();
};
