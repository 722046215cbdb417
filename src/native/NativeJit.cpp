// The plugin's one exported function and what it offers (NativeAbi.h): a program compiled with
// ORC's LLJIT at -O2, entered at an item, and released again.
#include <llvm/ExecutionEngine/Orc/LLJIT.h>
#include <llvm/ExecutionEngine/Orc/ThreadSafeModule.h>
#include <llvm/IR/Verifier.h>
#include <llvm/Passes/PassBuilder.h>
#include <llvm/Support/TargetSelect.h>
#include <llvm/Support/raw_ostream.h>

#include <memory>
#include <mutex>
#include <string>

#include "native/NativeAbi.h"
#include "native/NativeTarget.h"
#include "native/ProgramCompiler.h"

namespace {

using ProgramFunction = std::int32_t (*)(void* run);

struct Compiled {
    std::unique_ptr<llvm::orc::LLJIT> jit;
    ProgramFunction function = nullptr;
    native::CompiledShape shape;
};

// The reason the last compile failed, kept for the caller until the next one.
thread_local std::string lastReason;

void* compile(const PolizNativeProgram* program, const char** why) {
    native::initializeTarget();
    auto result = std::make_unique<Compiled>();
    auto context = std::make_unique<llvm::LLVMContext>();
    auto module = std::make_unique<llvm::Module>("program", *context);
    try {
        result->shape = native::compileProgram(*program, *module, false);
        std::string broken;
        llvm::raw_string_ostream report(broken);
        if (llvm::verifyModule(*module, &report)) throw native::Unsupported("invalid IR: " + report.str());
        auto machine = native::targetMachine();
        native::optimize(*module, *machine);
        auto built = llvm::orc::LLJITBuilder().setJITTargetMachineBuilder(native::machineBuilder()).create();
        if (!built) throw native::Unsupported(llvm::toString(built.takeError()));
        result->jit = std::move(*built);
        llvm::orc::JITDylib& dylib = result->jit->getMainJITDylib();
        llvm::orc::SymbolMap cells;
        for (const native::CellSymbol& cell : result->shape.cells)
            cells[result->jit->mangleAndIntern(cell.name)] = llvm::JITEvaluatedSymbol(
                llvm::pointerToJITTargetAddress(cell.address), llvm::JITSymbolFlags::Exported);
        if (auto error = dylib.define(llvm::orc::absoluteSymbols(std::move(cells))))
            throw native::Unsupported(llvm::toString(std::move(error)));
        if (auto error =
                result->jit->addIRModule(llvm::orc::ThreadSafeModule(std::move(module), std::move(context))))
            throw native::Unsupported(llvm::toString(std::move(error)));
        auto symbol = result->jit->lookup(result->shape.function);
        if (!symbol) throw native::Unsupported(llvm::toString(symbol.takeError()));
        result->function = reinterpret_cast<ProgramFunction>(symbol->getAddress());
    } catch (const native::Unsupported& e) {
        lastReason = e.what();
        if (why) *why = lastReason.c_str();
        return nullptr;
    }
    return result.release();
}

std::int32_t run(void* compiled, void* context) {
    return static_cast<Compiled*>(compiled)->function(context);
}

std::int32_t stackDepth(void* compiled) { return static_cast<Compiled*>(compiled)->shape.stackDepth; }

void release(void* compiled) { delete static_cast<Compiled*>(compiled); }

void releaseText(char* text) { delete[] text; }

const PolizNativeApi kApi = {POLIZ_NATIVE_ABI_VERSION, compile,    run, stackDepth, release,
                             native::disassemble,      releaseText};

}  // namespace

extern "C" __attribute__((visibility("default"))) const std::int32_t poliz_native_abi_version =
    POLIZ_NATIVE_ABI_VERSION;
extern "C" __attribute__((visibility("default"))) const PolizNativeApi* poliz_native_api() { return &kApi; }
