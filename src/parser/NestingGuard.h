// The bound on nesting that keeps recursive descent off the end of the machine stack: one
// guard per open level of parentheses, prefix operators or statements.
#pragma once

#include <cstddef>

#include "common/Errors.h"
#include "parser/Messages.h"

// Room for 1000 levels of any construct inside a few statements. A level of parentheses is
// the costliest (about ten frames); the sanitizer builds, whose frames are largest, run out of
// an 8 MB stack only past about 1500 such levels (clang) and 2500 (g++).
inline constexpr int kMaxNesting = 1100;

// The stack that Parser::go runs on (common/OwnStack.h), whatever the process's own limit:
// a level takes about 1 KB in an optimised build and 5 KB under the sanitizers; 16 KB a level
// leaves room to spare for unoptimised builds and keeps the reservation modest (about 17 MB).
inline constexpr std::size_t kStackForNesting = std::size_t{kMaxNesting} * 16 * 1024;

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
