// A text in an anonymous memory file (see MemoryFile.h).
#include "lsp/MemoryFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>

MemoryFile::MemoryFile(std::string_view text) {
    descriptor = memfd_create("poliz-lsp-document", MFD_CLOEXEC);
    if (descriptor < 0) throw std::runtime_error("cannot make a file in memory for the document");
    name = "/proc/self/fd/" + std::to_string(descriptor);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(descriptor, text.data() + written, text.size() - written);
        if (n <= 0) {
            close(descriptor);
            throw std::runtime_error("cannot write the document to a file in memory");
        }
        written += static_cast<std::size_t>(n);
    }
}

MemoryFile::~MemoryFile() { close(descriptor); }
