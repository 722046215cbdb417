// The native tier's translation of a whole POLIZ program into one LLVM function on typed SSA
// values (ProgramCompiler.cpp); NativeJit compiles the module it fills to machine code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "native/NativeAbi.h"

namespace llvm {
class Module;
class Function;
}  // namespace llvm

namespace native {

// A program the native tier does not take (a shape the translator never makes, or a value
// whose type would depend on the path taken): the fast backend runs it instead.
struct Unsupported : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A variable's cell, which the generated code reaches as an external global of this name,
// defined at the cell's address when the module is linked.
struct CellSymbol {
    std::string name;
    const void* address;
};

// What compileProgram made: the function `int32 name(void* run)`, entered at the program's
// entry, and the deepest the operand stack gets.
struct CompiledShape {
    std::string function;
    std::vector<CellSymbol> cells;
    std::int32_t stackDepth = 0;
};

// Fills `module` with the program's function; throws Unsupported. With `lines`, every
// instruction carries its item's source line as a debug location (for the disassembly).
CompiledShape compileProgram(const PolizNativeProgram& program, llvm::Module& module, bool lines);

}  // namespace native
