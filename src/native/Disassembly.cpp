// poliz-show --native: the program compiled as the JIT compiles it, but with each item's source
// line as its debug location, emitted to an object file in memory; its code is disassembled with
// LLVM's MC disassembler and each instruction placed under the line its line table names.
#include <llvm/DebugInfo/DWARF/DWARFContext.h>
#include <llvm/IR/LegacyPassManager.h>
#include <llvm/IR/Module.h>
#include <llvm/IR/Verifier.h>
#include <llvm/MC/MCContext.h>
#include <llvm/MC/MCDisassembler/MCDisassembler.h>
#include <llvm/MC/MCInst.h>
#include <llvm/MC/MCInstPrinter.h>
#include <llvm/MC/TargetRegistry.h>
#include <llvm/Object/ObjectFile.h>
#include <llvm/Support/Format.h>
#include <llvm/Support/raw_ostream.h>

#include <cstring>
#include <string>

#include "native/NativeTarget.h"
#include "native/ProgramCompiler.h"

namespace native {
namespace {

thread_local std::string lastReason;

// The object file of the program, as the JIT would compile it.
llvm::SmallVector<char, 0> objectFile(const PolizNativeProgram& program, llvm::TargetMachine& machine) {
    llvm::LLVMContext context;
    llvm::Module module("program", context);
    compileProgram(program, module, true);
    std::string broken;
    llvm::raw_string_ostream report(broken);
    if (llvm::verifyModule(module, &report)) throw Unsupported("invalid IR: " + report.str());
    optimize(module, machine);
    llvm::SmallVector<char, 0> bytes;
    llvm::raw_svector_ostream stream(bytes);
    llvm::legacy::PassManager passes;
    if (machine.addPassesToEmitFile(passes, stream, nullptr, llvm::CGFT_ObjectFile))
        throw Unsupported("the target cannot emit an object file");
    passes.run(module);
    return bytes;
}

// Instructions in Intel syntax, each with its offset in the program's code, under a "line N:"
// header wherever the source line changes (code that belongs to no line, such as the entry's
// dispatch and the error exits, stays with the line before it).
std::string listing(const llvm::object::ObjectFile& object, llvm::TargetMachine& machine) {
    auto dwarf = llvm::DWARFContext::create(object);
    const llvm::MCSubtargetInfo& subtarget = *machine.getMCSubtargetInfo();
    llvm::MCContext mc(machine.getTargetTriple(), machine.getMCAsmInfo(), machine.getMCRegisterInfo(),
                       &subtarget);
    std::unique_ptr<llvm::MCDisassembler> disassembler(
        machine.getTarget().createMCDisassembler(subtarget, mc));
    std::unique_ptr<llvm::MCInstPrinter> printer(
        machine.getTarget().createMCInstPrinter(machine.getTargetTriple(), 1, *machine.getMCAsmInfo(),
                                                *machine.getMCInstrInfo(), *machine.getMCRegisterInfo()));
    if (!disassembler || !printer) throw Unsupported("no disassembler for this machine");
    std::string text;
    llvm::raw_string_ostream out(text);
    for (const llvm::object::SectionRef& section : object.sections()) {
        if (!section.isText() || section.getSize() == 0) continue;
        auto contents = section.getContents();
        if (!contents) continue;
        const llvm::ArrayRef<std::uint8_t> code(reinterpret_cast<const std::uint8_t*>(contents->data()),
                                                contents->size());
        const llvm::DILineInfoTable rows =
            dwarf->getLineInfoForAddressRange({0, section.getIndex()}, code.size());
        std::size_t row = 0;
        std::uint32_t shown = 0;
        for (std::uint64_t at = 0; at < code.size();) {
            while (row + 1 < rows.size() && rows[row + 1].first <= at) ++row;
            const std::uint32_t line = row < rows.size() && rows[row].first <= at ? rows[row].second.Line : 0;
            if (line != 0 && line != shown) {
                out << "line " << line << ":\n";
                shown = line;
            } else if (at == 0 && line == 0) {
                out << "entry:\n";
            }
            llvm::MCInst instruction;
            std::uint64_t size = 0;
            if (disassembler->getInstruction(instruction, size, code.slice(at), at, llvm::nulls()) !=
                llvm::MCDisassembler::Success) {
                out << "  " << llvm::format_hex_no_prefix(at, 4) << "  (bytes no instruction begins with)\n";
                size = size == 0 ? 1 : size;
            } else {
                std::string printed;
                llvm::raw_string_ostream one(printed);
                printer->printInst(&instruction, at, "", subtarget, one);
                std::string_view shownText = one.str();
                while (!shownText.empty() && (shownText.front() == '\t' || shownText.front() == ' '))
                    shownText.remove_prefix(1);
                std::string tidy(shownText);
                for (char& c : tidy)
                    if (c == '\t') c = ' ';
                out << "  " << llvm::format_hex_no_prefix(at, 4) << "  " << tidy << "\n";
            }
            at += size;
        }
    }
    return out.str();
}

}  // namespace

char* disassemble(const PolizNativeProgram* program, const char** why) {
    try {
        initializeTarget();
        auto machine = targetMachine();
        llvm::SmallVector<char, 0> bytes = objectFile(*program, *machine);
        auto object = llvm::object::ObjectFile::createObjectFile(
            llvm::MemoryBufferRef(llvm::StringRef(bytes.data(), bytes.size()), "program"));
        if (!object) throw Unsupported(llvm::toString(object.takeError()));
        const std::string text = listing(**object, *machine);
        char* copy = new char[text.size() + 1];
        std::memcpy(copy, text.c_str(), text.size() + 1);
        return copy;
    } catch (const Unsupported& e) {
        lastReason = e.what();
        if (why) *why = lastReason.c_str();
        return nullptr;
    }
}

}  // namespace native
