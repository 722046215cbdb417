// Reading the source: a text at once; a file or a stream by whatever it has ready, up to one
// chunk, when the last is used up.
#include "scanner/Source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <utility>

#include "common/Errors.h"

Source Source::fromFile(const std::string& fileName) {
    Source source(Kind::FILE);
    source.fileName = fileName;
    // The window is made before the file is opened, so that a failed allocation leaves no
    // descriptor behind; a refused file's descriptor is closed with the source.
    source.window.resize(kChunk);
    source.descriptor = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (source.descriptor < 0) throw OpenError(fileName);
    struct stat status {};
    if (::fstat(source.descriptor, &status) != 0 || S_ISDIR(status.st_mode)) throw OpenError(fileName);
    return source;
}

Source Source::fromText(std::string text) {
    Source source(Kind::TEXT);
    source.window = std::move(text);
    source.filled = source.window.size();
    return source;
}

Source Source::fromStream(std::istream& in) {
    Source source(Kind::STREAM);
    source.stream = in.rdbuf();
    source.window.resize(kChunk);
    return source;
}

Source::Source(Source&& other) noexcept
    : window(std::move(other.window)),
      next(other.next),
      filled(other.filled),
      kind(other.kind),
      fileName(std::move(other.fileName)),
      descriptor(std::exchange(other.descriptor, -1)),
      stream(other.stream),
      keeping(other.keeping),
      kept(std::move(other.kept)) {}

Source::~Source() {
    if (descriptor >= 0) ::close(descriptor);
}

bool Source::refill() {
    if (kind == Kind::TEXT) return false;  // the whole text is in the window already
    if (keeping) kept.append(window, 0, filled);
    filled = next = 0;
    return kind == Kind::FILE ? refillFromFile() : refillFromStream();
}

// A pipe or a terminal hands over what has arrived so far; that is used at once rather than
// waiting for a full chunk, so translation keeps pace with a slow writer.
bool Source::refillFromFile() {
    for (;;) {
        const ssize_t got = ::read(descriptor, window.data(), kChunk);
        if (got > 0) {
            filled = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) return false;
        if (errno != EINTR) throw ReadError(fileName);
    }
}

// The same with a stream: what it holds ready, else the next character once it comes.
bool Source::refillFromStream() {
    std::streamsize ready = stream->in_avail();
    if (ready <= 0) {
        const auto c = stream->sbumpc();
        if (std::streambuf::traits_type::eq_int_type(c, std::streambuf::traits_type::eof())) return false;
        window[filled++] = std::streambuf::traits_type::to_char_type(c);
        ready = stream->in_avail();
    }
    if (ready > 0) {
        const auto room = static_cast<std::streamsize>(kChunk - filled);
        filled += static_cast<std::size_t>(stream->sgetn(window.data() + filled, std::min(ready, room)));
    }
    return true;
}

bool Source::isStandardInput() const {
    switch (kind) {
        case Kind::FILE: {
            struct stat source {};
            struct stat standard {};
            return ::fstat(descriptor, &source) == 0 && ::fstat(STDIN_FILENO, &standard) == 0 &&
                   source.st_dev == standard.st_dev && source.st_ino == standard.st_ino;
        }
        case Kind::STREAM: return stream == std::cin.rdbuf();
        case Kind::TEXT: break;
    }
    return false;
}

std::span<char> Source::takeRest() {
    keeping = false;
    if (next == filled && !refill()) return {};
    const std::span<char> rest(window.data() + next, filled - next);
    next = filled;
    return rest;
}

void Source::keepRestOfLine() {
    try {
        while (keeping && std::memchr(window.data() + next, '\n', filled - next) == nullptr && refill()) {
        }
    } catch (const ReadError&) {
    }
}
