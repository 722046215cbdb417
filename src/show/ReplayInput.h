// The program's input in the stepper: lines taken from a source only when the program needs
// them, and kept, so that stepping back over a "read" gives its characters back to be read
// again, whether they came from a file or were typed.
#pragma once

#include <cstddef>
#include <functional>
#include <streambuf>
#include <string>

class ReplayInput : public std::streambuf {
public:
    // Gives the next line without its line break, or false at the end of the input.
    using LineSource = std::function<bool(std::string& line)>;
    explicit ReplayInput(LineSource nextLine);

    // How many characters the program has consumed.
    std::size_t position() const { return static_cast<std::size_t>(gptr() - eback()); }
    // Makes the characters from `position` on unread again.
    void rewind(std::size_t position);
    // Forgets the characters from `position` on, as if they had never been taken: a line typed
    // wrongly is asked for again.
    void forget(std::size_t position);
    // The characters between two positions, as they were taken.
    std::string between(std::size_t from, std::size_t to) const { return taken.substr(from, to - from); }

protected:
    int_type underflow() override;

private:
    LineSource nextLine;
    std::string taken;  // every character taken from the source so far, line breaks included
};
