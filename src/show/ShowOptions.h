// The command line of poliz-show: what to do, with which file, and its usage text.
#pragma once

#include <cstdint>
#include <string>

struct ShowOptions {
    enum class Mode { LIST, PLAIN, NATIVE, TRACE, STEP, HELP, EXPLAIN };
    Mode mode = Mode::LIST;
    // TRACE: the number of steps to trace, or kNoLimit; the program runs on after them.
    static constexpr std::int64_t kNoLimit = -1;
    std::int64_t traceSteps = kNoLimit;
    std::string file;
    // STEP: the file the program reads from; empty for the commands' own stream.
    std::string inputFile;
    // EXPLAIN: whether the explanation is coloured; AUTO colours it on a terminal without
    // NO_COLOR in the environment.
    enum class Colour { AUTO, ALWAYS, NEVER };
    Colour colour = Colour::AUTO;
    // Not empty when the command line is wrong; says what is wrong, without a prefix.
    std::string error;
};

// Reads the arguments after the program name in order; --help wins over what follows it, and
// the first wrong argument is the one reported.
ShowOptions parseShowOptions(int argc, const char* const* argv);

extern const char* const kShowUsage;
