// Reading poliz-show's command line (see ShowOptions.h).
#include "show/ShowOptions.h"

#include <limits>
#include <string_view>

const char* const kShowUsage =
    "Usage: poliz-show [--plain | --native | --trace[=N]] FILE\n"
    "       poliz-show --step [--input IN] FILE\n"
    "       poliz-show --explain [--color=WHEN] FILE\n"
    "Shows how poliz translates the program in FILE into POLIZ, and how it runs it.\n"
    "\n"
    "  (no option)  print the POLIZ listing to standard output: every item with its\n"
    "               address, kind, text and type, under the source line it came from\n"
    "  --plain      print the listing as one item per line, kind and text only, for\n"
    "               comparing it with another translator's\n"
    "  --native     print the machine code the native tier compiles the program to,\n"
    "               disassembled, under the source line each instruction came from\n"
    "  --trace      run the program as poliz does, and write every executed item with\n"
    "               the operand stack after it to standard error\n"
    "  --trace=N    trace the first N steps only, then let the program run on\n"
    "  --step       step through the run on the reference machine under commands read\n"
    "               from standard input, as in a debugger ('help' lists them)\n"
    "  --input IN   with --step: the program reads from the file IN; without it,\n"
    "               a read takes the next line of the commands\n"
    "  --explain    run the program as poliz does; after an error message, show where\n"
    "               it is (FILE:LINE:COL), the source line with a caret, and a hint\n"
    "  --color=WHEN with --explain: colour the explanation always, never, or auto\n"
    "               (the default: on a terminal, unless NO_COLOR is set)\n"
    "  --help       print this help and exit\n"
    "\n"
    "Exit status: 0 success, 1 lexical error or unreadable file, 2 syntax error,\n"
    "3 semantic error, 4 runtime error, 5 internal failure, 64 wrong command line.\n";

namespace {

constexpr std::string_view kTracePrefix = "--trace=";
constexpr std::string_view kInputPrefix = "--input=";
constexpr std::string_view kColourPrefix = "--color=";
constexpr std::int64_t kMaxSteps = std::numeric_limits<std::int64_t>::max();

// A step count of plain decimal digits up to kMaxSteps, or kNoLimit for anything else.
std::int64_t stepCount(std::string_view text) {
    if (text.empty()) return ShowOptions::kNoLimit;
    std::int64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return ShowOptions::kNoLimit;
        const int digit = c - '0';
        if (n > (kMaxSteps - digit) / 10) return ShowOptions::kNoLimit;
        n = n * 10 + digit;
    }
    return n;
}

// The mode an option chooses; LIST for an option that chooses none (and --help, which wins).
ShowOptions::Mode modeOf(std::string_view arg) {
    if (arg == "--trace" || arg.starts_with(kTracePrefix)) return ShowOptions::Mode::TRACE;
    if (arg == "--plain") return ShowOptions::Mode::PLAIN;
    if (arg == "--native") return ShowOptions::Mode::NATIVE;
    if (arg == "--explain") return ShowOptions::Mode::EXPLAIN;
    if (arg == "--step") return ShowOptions::Mode::STEP;
    return ShowOptions::Mode::LIST;
}

ShowOptions withError(ShowOptions options, std::string error) {
    options.error = std::move(error);
    return options;
}

}  // namespace

ShowOptions parseShowOptions(int argc, const char* const* argv) {
    ShowOptions options;
    bool optionsEnded = false;
    bool hasFile = false;  // an empty name is a file name too, one that cannot be opened
    bool hasInput = false;
    bool hasColour = false;
    std::string modeOption;  // the option that chose the mode, if one did
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        // Two options that choose different modes contradict each other: neither wins.
        const ShowOptions::Mode chosen = modeOf(arg);
        if (isOption && chosen != ShowOptions::Mode::LIST) {
            const std::string name(arg.substr(0, arg.find('=')));
            if (!modeOption.empty() && chosen != options.mode)
                return withError(options, "'" + modeOption + "' and '" + name + "' cannot be combined");
            modeOption = name;
        }
        if (isOption && arg == "--") {
            optionsEnded = true;
        } else if (isOption && arg == "--help") {
            options.mode = ShowOptions::Mode::HELP;
            return options;
        } else if (isOption && arg == "--trace") {
            options.mode = ShowOptions::Mode::TRACE;
            options.traceSteps = ShowOptions::kNoLimit;
        } else if (isOption && arg == "--plain") {
            options.mode = ShowOptions::Mode::PLAIN;
        } else if (isOption && arg == "--native") {
            options.mode = ShowOptions::Mode::NATIVE;
        } else if (isOption && arg == "--explain") {
            options.mode = ShowOptions::Mode::EXPLAIN;
        } else if (isOption && arg.starts_with(kTracePrefix)) {
            const std::string_view count = arg.substr(kTracePrefix.size());
            options.mode = ShowOptions::Mode::TRACE;
            options.traceSteps = stepCount(count);
            if (options.traceSteps == ShowOptions::kNoLimit) {
                options.error = "--trace=N needs a number of steps N, not '" + std::string(count) + "'";
                return options;
            }
        } else if (isOption && arg.starts_with(kColourPrefix)) {
            const std::string_view when = arg.substr(kColourPrefix.size());
            if (when == "auto")
                options.colour = ShowOptions::Colour::AUTO;
            else if (when == "always")
                options.colour = ShowOptions::Colour::ALWAYS;
            else if (when == "never")
                options.colour = ShowOptions::Colour::NEVER;
            else
                return withError(options,
                                 "--color takes auto, always or never, not '" + std::string(when) + "'");
            hasColour = true;
        } else if (isOption && arg == "--step") {
            options.mode = ShowOptions::Mode::STEP;
        } else if (isOption && (arg == "--input" || arg.starts_with(kInputPrefix))) {
            if (arg == "--input" && i + 1 == argc) {
                options.error = "--input needs a file name";
                return options;
            }
            options.inputFile = arg == "--input" ? argv[++i] : arg.substr(kInputPrefix.size());
            if (options.inputFile.empty()) {
                options.error = "--input needs a file name";
                return options;
            }
            hasInput = true;
        } else if (isOption) {
            options.error = "unknown option '" + std::string(arg) + "'";
            return options;
        } else if (hasFile) {
            options.error =
                "one source file only, but both '" + options.file + "' and '" + std::string(arg) + "' given";
            return options;
        } else {
            options.file = arg;
            hasFile = true;
        }
    }
    if (!hasFile)
        options.error = "no source file given";
    else if (hasInput && options.mode != ShowOptions::Mode::STEP)
        options.error = "--input goes with --step only";
    else if (hasColour && options.mode != ShowOptions::Mode::EXPLAIN)
        options.error = "--color goes with --explain only";
    return options;
}
