// The machines a test can run a translated program on: the fast backend with its fused forms
// and compiled statements, the fast backend one item at a time, and the reference machine. The
// differential tests run the same program on each and compare what they print and how they end.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "fast/FastRun.h"
#include "machine/StackMachine.h"
#include "poliz/Poliz.h"

enum class Engine { FAST, FAST_PLAIN, REFERENCE };

inline const char* nameOf(Engine engine) {
    switch (engine) {
        case Engine::FAST: return "fast";
        case Engine::FAST_PLAIN: return "plain";
        case Engine::REFERENCE: return "reference";
    }
    return "?";
}

// Runs the program once; a RuntimeError leaves as it was thrown, after the output before it.
inline void runOn(Engine engine, Poliz& poliz, std::istream& in, std::ostream& out) {
    if (engine == Engine::REFERENCE) {
        StackMachine machine(poliz, in, out);
        machine.run();
    } else {
        runFast(poliz, in, out, RunOptions{engine == Engine::FAST});
    }
}

// How GoogleTest shows the machine of a parameterised test.
inline void PrintTo(Engine engine, std::ostream* os) { *os << nameOf(engine); }
