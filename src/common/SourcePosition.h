// A place in the source text: the line, counted from 1, and the column, counted in bytes from 1
// (a tab is one column, as compilers count them). Line 0 means no place is known.
#pragma once

struct SourcePosition {
    int line = 0;
    int column = 0;

    bool known() const { return line > 0; }
    friend bool operator==(const SourcePosition&, const SourcePosition&) = default;
};
