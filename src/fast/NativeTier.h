// The native tier as the fast backend sees it: the POLIZ_NATIVE setting, the plugin loaded on
// first need, and a program compiled to machine code that runs on poliz's own runtime. Used by
// runFast and by poliz-show --native.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

class Poliz;

// POLIZ_NATIVE in the environment: "off" never compiles, "always" compiles before the first
// item, anything else (auto, the default) compiles once a loop gets hot.
enum class NativeMode { OFF, AUTO, ALWAYS };
NativeMode nativeMode();

// POLIZ_NATIVE_TRACE=1: one line on standard error, "native: WHAT", saying what became of a run
// that could use the native tier: "compiled", "not hot" (it ended first), "not installed
// (looked for ...)", "declined the plugin FILE: why" or "declined the program: why".
void nativeTrace(const std::string& what);

// Every this many backward jumps (all loops counted together) the run looks at the clock, and
// its loops are hot once it has run for as much processor time as loading the plugin and
// compiling this program would take, so that a program that ends before that never pays, and one
// that ends just after pays at most about twice its time. Measured (bench/README.md): about
// 20 ms to load LLVM and set it up, and 62 microseconds per POLIZ item.
inline constexpr int kBackwardJumpsPerCheck = 4096;
constexpr double hotMilliseconds(int items) { return 20 + 0.062 * items; }

// A program compiled by the plugin, or nothing when the plugin is missing (or this build has
// none), is declined, or declines the program; the trace says which.
class NativeProgram {
public:
    // Compiles the translated program to be entered at `entry`: 0, or the head of a loop (the
    // plugin is loaded on first use).
    static std::unique_ptr<NativeProgram> compile(const Poliz& poliz, int entry);
    ~NativeProgram();
    NativeProgram(const NativeProgram&) = delete;
    NativeProgram& operator=(const NativeProgram&) = delete;

    // Runs from the entry to the end, "read" taking `in` and "write" going to
    // `out` (buffered, flushed at the end and before an error leaves). Errors leave as the
    // exceptions of common/Errors.h, as on the other machines.
    void run(std::istream& in, std::ostream& out) const;

private:
    struct State;
    explicit NativeProgram(std::unique_ptr<State> state);
    std::unique_ptr<State> state;
};

// The machine code of each source line, under "line N:" headers; empty with `why` set, as the
// trace says it after "native tier", when the plugin is missing, declined or declines the program.
std::string nativeListing(const Poliz& poliz, std::string& why);
