// The bound on nesting that keeps recursive descent off the end of the machine stack: one
// guard per open level of parentheses, prefix operators or statements.
#pragma once

#include "driver/Errors.h"
#include "parser/Messages.h"

// Deep enough for any program written by hand, shallow enough that even the sanitizer build,
// with its larger frames, stays far inside an 8 MB stack (about seven frames per level of
// parentheses).
inline constexpr int kMaxNesting = 2000;

class NestingGuard {
    int& depth;

public:
    // Throws SyntaxError at `line` when one more level would pass kMaxNesting.
    NestingGuard(int& depth, int line) : depth(depth) {
        if (depth >= kMaxNesting) throw SyntaxError(msg::kNestingTooDeep, line);
        ++depth;
    }
    ~NestingGuard() { --depth; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};
