// A text in a file that lives only in memory, so that the translator, which reads files, can
// translate an editor's buffer without touching the disk. The file is gone when this is.
#pragma once

#include <string>
#include <string_view>

class MemoryFile {
    int descriptor = -1;
    std::string name;

public:
    // Throws std::runtime_error when the system gives no such file.
    explicit MemoryFile(std::string_view text);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // A path that opens the text from its start.
    const std::string& path() const { return name; }
};
