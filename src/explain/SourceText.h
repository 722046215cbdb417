// A source text split into lines, for showing the line of an error and the text of a lexeme.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/SourcePosition.h"

class SourceText {
    std::string text;
    std::vector<std::size_t> lineStarts;  // offset of each line's first byte

public:
    explicit SourceText(std::string text);
    // The whole file, or an empty text when it cannot be read.
    static SourceText fromFile(const std::string& fileName);

    int lineCount() const { return static_cast<int>(lineStarts.size()); }
    // Line n (from 1) without its line feed; empty outside the text.
    std::string_view line(int n) const;
    // The bytes from `from` up to `to`, which may span lines; empty when either is unknown.
    std::string_view slice(SourcePosition from, SourcePosition to) const;

private:
    std::size_t offsetOf(SourcePosition at) const;
};
