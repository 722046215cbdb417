// The host machine as the native tier compiles for it: one target description and one
// optimisation pipeline, shared by the JIT (NativeJit.cpp) and the disassembly (Disassembly.cpp).
#pragma once

#include <llvm/ExecutionEngine/Orc/JITTargetMachineBuilder.h>
#include <llvm/Target/TargetMachine.h>

#include <memory>

#include "native/NativeAbi.h"

namespace native {

// Once per process: the host target, its assembly printer and disassembler.
void initializeTarget();

// The host, with the large code model (the variables' cells lie anywhere in the address
// space) and floating point exactly as written: no contraction into fused multiply-adds,
// no reassociation.
llvm::orc::JITTargetMachineBuilder machineBuilder();
std::unique_ptr<llvm::TargetMachine> targetMachine();

// The -O2 pipeline.
void optimize(llvm::Module& module, llvm::TargetMachine& machine);

// The machine code of each source line as text under "line N:" headers (NativeAbi.h).
char* disassemble(const PolizNativeProgram* program, const char** why);

}  // namespace native
