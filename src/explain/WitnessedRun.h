// A run on the reference machine that watches what the program's reads take, so that a runtime
// error is explained with the item that raised it and, for an input error, the text the read
// met. poliz-show --explain runs every program so; the playground runs a program so a second
// time to place an error that the fast backend met (both machines fail at the same item).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "common/CaughtError.h"
#include "explain/Explain.h"
#include "explain/SourceText.h"
#include "poliz/Poliz.h"

// The runtime error that ended a run, explained while the program's lexemes were still alive.
struct RuntimeFailure {
    CaughtError error;
    int failedAt = -1;  // the address of the item that raised it
    Explanation explanation;
};

inline constexpr long kEveryStep = -1;

// Runs `poliz` on the reference machine, "read" taking `in` and "write" going to `out`, for at
// most `maxSteps` items (kEveryStep: to the end). `inputOrigin` says in words where the input
// comes from, for the hint at its end. A runtime error is explained into `failure` and then
// thrown on. Returns false when the steps ran out before the program ended.
bool runWitnessed(const Poliz& poliz, std::istream& in, std::ostream& out, const std::string& inputOrigin,
                  const SourceText& source, std::optional<RuntimeFailure>& failure,
                  long maxSteps = kEveryStep);
