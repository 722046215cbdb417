// The fast backend's entry point: decode a translated program once into its own instructions,
// then run them. What poliz runs programs on; the reference machine (machine/) is the one to read.
#pragma once

#include <cstddef>
#include <iosfwd>

class Poliz;

// How runFast runs a program. The defaults are what the interpreter uses.
//
// Seams for the companions of the interpreter (traces and steppers run on the reference
// machine instead):
// - fuse = false runs every item as its own step, without the fused forms and the compiled
//   numeric units (cell forms), so tests can compare the fused and the plain instruction
//   forms on the same program.
// - Step budget: building with the compile definition POLIZ_STEP_BUDGET=N (only the fuzz build
//   does) makes the run stop with a RuntimeError "Step budget exhausted!" after N executed
//   instructions, so endless loops end. Other builds never stop a running program.
// - outputChunk: output is handed to the stream once this many bytes are buffered (and before
//   every read and at the end). The playground asks for every write, to show output as it comes.
struct RunOptions {
    bool fuse = true;
    std::size_t outputChunk = std::size_t{1} << 15;
};

// Runs the program with the given input and output streams. Output is buffered and flushed
// before every read, at the end and before a RuntimeError leaves; nothing grows with the
// number of operations executed.
void runFast(const Poliz& poliz, std::istream& in, std::ostream& out, const RunOptions& options = {});
