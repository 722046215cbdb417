// Reading the source: whatever the system has ready, up to one chunk, when the last is used up.
#include "scanner/Source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Errors.h"

// The chunk is allocated before the file is opened, so that a failed allocation leaves no
// descriptor behind. Uninitialised, as std::make_unique_for_overwrite leaves it; the
// WebAssembly toolchain's library lacks that function.
Source::Source(const char* fileName) : fileName(fileName), chunk(new char[kChunk]) {
    descriptor = ::open(fileName, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) throw OpenError(fileName);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        throw OpenError(fileName);
    }
}

Source::~Source() { ::close(descriptor); }

// A pipe or a terminal hands over what has arrived so far; that is used at once rather than
// waiting for a full chunk, so translation keeps pace with a slow writer.
bool Source::refill() {
    if (keeping) kept.append(chunk.get(), filled);
    filled = next = 0;
    for (;;) {
        const ssize_t got = ::read(descriptor, chunk.get(), kChunk);
        if (got > 0) {
            next = 0;
            filled = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) return false;
        if (errno != EINTR) throw ReadError(fileName);
    }
}

bool Source::isStandardInput() const {
    struct stat source {};
    struct stat standard {};
    return ::fstat(descriptor, &source) == 0 && ::fstat(STDIN_FILENO, &standard) == 0 &&
           source.st_dev == standard.st_dev && source.st_ino == standard.st_ino;
}

std::span<char> Source::takeRest() {
    keeping = false;
    if (next == filled && !refill()) return {};
    const std::span<char> rest(chunk.get() + next, filled - next);
    next = filled;
    return rest;
}

void Source::keepRestOfLine() {
    try {
        while (keeping && std::memchr(chunk.get() + next, '\n', filled - next) == nullptr && refill()) {
        }
    } catch (const ReadError&) {
    }
}
