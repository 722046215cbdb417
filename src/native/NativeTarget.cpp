// The target description and the optimisation pipeline of the native tier (see NativeTarget.h).
#include "native/NativeTarget.h"

#include <llvm/Passes/PassBuilder.h>
#include <llvm/Support/TargetSelect.h>

#include <mutex>

#include "native/ProgramCompiler.h"

namespace native {

void initializeTarget() {
    static std::once_flag once;
    std::call_once(once, [] {
        llvm::InitializeNativeTarget();
        llvm::InitializeNativeTargetAsmPrinter();
        llvm::InitializeNativeTargetDisassembler();
    });
}

llvm::orc::JITTargetMachineBuilder machineBuilder() {
    auto detected = llvm::orc::JITTargetMachineBuilder::detectHost();
    if (!detected) throw Unsupported(llvm::toString(detected.takeError()));
    llvm::orc::JITTargetMachineBuilder builder = std::move(*detected);
    builder.setCodeModel(llvm::CodeModel::Large);
    builder.setCodeGenOptLevel(llvm::CodeGenOpt::Default);
    builder.getOptions().AllowFPOpFusion = llvm::FPOpFusion::Strict;
    builder.getOptions().UnsafeFPMath = false;
    builder.getOptions().NoInfsFPMath = false;
    builder.getOptions().NoNaNsFPMath = false;
    return builder;
}

std::unique_ptr<llvm::TargetMachine> targetMachine() {
    auto machine = machineBuilder().createTargetMachine();
    if (!machine) throw Unsupported(llvm::toString(machine.takeError()));
    return std::move(*machine);
}

void optimize(llvm::Module& module, llvm::TargetMachine& machine) {
    module.setDataLayout(machine.createDataLayout());
    module.setTargetTriple(machine.getTargetTriple().str());
    llvm::LoopAnalysisManager loops;
    llvm::FunctionAnalysisManager functions;
    llvm::CGSCCAnalysisManager cgscc;
    llvm::ModuleAnalysisManager modules;
    llvm::PassBuilder builder(&machine);
    builder.registerModuleAnalyses(modules);
    builder.registerCGSCCAnalyses(cgscc);
    builder.registerFunctionAnalyses(functions);
    builder.registerLoopAnalyses(loops);
    builder.crossRegisterProxies(loops, functions, cgscc, modules);
    builder.buildPerModuleDefaultPipeline(llvm::OptimizationLevel::O2).run(module, modules);
}

}  // namespace native
