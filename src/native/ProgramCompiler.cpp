// POLIZ to LLVM IR. The items are walked once in address order with the operand stack held as
// compile-time entries: a constant, an SSA value, a variable reference or a string pointer.
// Every jump target (a label's address + 1) begins a block; where control meets from several
// places the entries become phi nodes. The run's order of fetches, its errors and its wrapping
// arithmetic are those of the fast backend (fast/Arithmetic.h, fast/Machine.cpp).
#include "native/ProgramCompiler.h"

#include "native/ProgramCompilerState.h"

#include <cassert>

#include <llvm/IR/MDBuilder.h>

namespace native {
namespace compiler {

void Compiler::scanTargets() {
    loopHeads.insert(0);
    for (std::int32_t k = 0; k < count; ++k) {
        if (items[k].kind != PN_LABEL) continue;
        // The translator puts each label right before the jump that takes it.
        assert(k + 1 < count && items[k + 1].kind == PN_OPERATOR &&
               (items[k + 1].operation == static_cast<std::uint8_t>(Operation::JUMP) ||
                items[k + 1].operation == static_cast<std::uint8_t>(Operation::JUMPFALSE)));
        const std::int32_t label = items[k].i;
        assert(label >= 0 && label < count);  // and it jumps within the program
        const std::int32_t target = label + 1;
        targets.insert(target);
        if (target <= k + 1) loopHeads.insert(target);  // control comes back with an empty stack
    }
    targets.insert(loopHeads.begin(), loopHeads.end());
}

void Compiler::setLine() {
    if (!lines) return;
    b.SetCurrentDebugLocation(
        llvm::DILocation::get(ctx, static_cast<unsigned>(std::max(items[at].line, 0)), 0, subprogram));
}

// Control reaches a jump target: in sequence (when the item before lets it through) and from
// the jumps recorded for it.
void Compiler::enter(std::int32_t address) {
    BasicBlock* block = blockAt(address);
    if (reachable) {
        b.CreateBr(block);
        incoming[address].push_back({b.GetInsertBlock(), stack});
    }
    b.SetInsertPoint(block);
    if (loopHeads.count(address)) {
        for (const Incoming& in : incoming[address])
            if (!in.stack.empty()) unsupported("a loop entered with operands on the stack");
        stack.clear();
        reachable = true;
        return;
    }
    reachable = !incoming[address].empty();
    if (reachable) merge(address);
}

// The stack where several paths meet: entries that agree stay; values of one type become phi
// nodes; a variable met by a value becomes a phi of cells, the value stored into a cell of its
// own on its path, so that the variable is still read only when an operator consumes it.
void Compiler::merge(std::int32_t address) {
    const std::vector<Incoming>& ins = incoming[address];
    const std::size_t depth = ins.front().stack.size();
    for (const Incoming& in : ins)
        if (in.stack.size() != depth) unsupported("paths that meet with different stack depths");
    stack.assign(ins.front().stack.begin(), ins.front().stack.end());
    BasicBlock* here = b.GetInsertBlock();
    for (std::size_t k = 0; k < depth; ++k) {
        bool same = true;
        bool allOwned = true;
        std::set<Entry::Kind> kinds;
        std::set<std::uint8_t> types;
        for (const Incoming& in : ins) {
            const Entry& e = in.stack[k];
            same = same && e.sameAs(ins.front().stack[k]);
            allOwned = allOwned && e.owned;
            kinds.insert(e.kind);
            types.insert(typeOf(e));
        }
        if (same) continue;
        const auto n = static_cast<unsigned>(ins.size());
        b.SetInsertPoint(here, here->getFirstInsertionPt());
        if (kinds.size() == 1 && (*kinds.begin() == Entry::Kind::INT || *kinds.begin() == Entry::Kind::REAL ||
                                  *kinds.begin() == Entry::Kind::TEXT)) {
            llvm::PHINode* phi = b.CreatePHI(ins.front().stack[k].value->getType(), n);
            for (const Incoming& in : ins) phi->addIncoming(in.stack[k].value, in.from);
            stack[k] = Entry{*kinds.begin(), phi};
            stack[k].owned = *kinds.begin() == Entry::Kind::TEXT && allOwned;
            continue;
        }
        if (types.size() != 1 || !isNumeric(*types.begin()) || kinds.count(Entry::Kind::TEXT) ||
            kinds.count(Entry::Kind::LABEL))
            unsupported("a value whose type depends on the path taken");
        const std::uint8_t type = *types.begin();
        llvm::PHINode* cells = b.CreatePHI(cellType->getPointerTo(), n);
        llvm::PHINode* owners = b.CreatePHI(ptr(), n);
        llvm::AllocaInst* spill = nullptr;
        for (const Incoming& in : ins) {
            const Entry& e = in.stack[k];
            switch (e.kind) {
                case Entry::Kind::VAR:
                    // The variable a failed check names (a temporary is assigned before any read).
                    cells->addIncoming(cellOf(e.var), in.from);
                    owners->addIncoming(pointerTo(e.var->variable), in.from);
                    break;
                case Entry::Kind::CELL:
                    cells->addIncoming(e.value, in.from);
                    owners->addIncoming(e.owner, in.from);
                    break;
                default: {
                    if (!spill) {
                        llvm::IRBuilder<> front(entryBlock, entryBlock->getFirstInsertionPt());
                        spill = front.CreateAlloca(cellType);
                    }
                    llvm::IRBuilder<> edge(in.from->getTerminator());
                    edge.CreateStore(e.value,
                                     edge.CreateStructGEP(cellType, spill, type == PN_TYPE_INT ? 0 : 1));
                    edge.CreateStore(edge.getInt8(1), edge.CreateStructGEP(cellType, spill, 2));
                    cells->addIncoming(spill, in.from);
                    owners->addIncoming(llvm::ConstantPointerNull::get(ptr()), in.from);
                }
            }
        }
        Entry e{Entry::Kind::CELL, cells};
        e.owner = owners;
        e.type = type;
        stack[k] = e;
    }
    b.SetInsertPoint(here);
}

// A variable lives in a home of its own in the function's frame while native code runs, copied
// from its cell on the way in and again after a "read", which fills the cell itself. The
// optimiser keeps such a home in a register, where a store to a global must stay in place (so a
// conditional `low = low + 1` would stay a branch). Nothing is copied back: native code runs to
// the program's end, and nothing reads a variable after that.
Value* Compiler::cellOf(const PolizNativeItem* var) {
    CellPlace& place = cells[var->cell];
    if (!place.home) {
        CellSymbol symbol{"poliz.cell." + std::to_string(shape.cells.size()), var->cell};
        place.global = new llvm::GlobalVariable(module, cellType, false, llvm::GlobalValue::ExternalLinkage,
                                                nullptr, symbol.name);
        shape.cells.push_back(symbol);
        place.type = var->type;
        llvm::IRBuilder<> in(entryBlock->getTerminator());
        place.home = in.CreateAlloca(cellType);
        loadHome(in, place);
        // The code runs as soon as it is compiled, and a variable once assigned stays assigned:
        // one assigned already needs no more tests.
        if (static_cast<const PolizNativeCell*>(var->cell)->assigned)
            in.CreateStore(in.getInt8(1), in.CreateStructGEP(cellType, place.home, 2));
    }
    return place.home;
}

// Copies what native code uses of a cell into its home: the field of the variable's type (a
// string's text stays in poliz's variable) and whether it was ever assigned.
void Compiler::loadHome(llvm::IRBuilder<>& to, const CellPlace& place) {
    auto copy = [&](llvm::Type* field, unsigned k) {
        to.CreateStore(to.CreateLoad(field, to.CreateStructGEP(cellType, place.global, k)),
                       to.CreateStructGEP(cellType, place.home, k));
    };
    if (place.type == PN_TYPE_INT) copy(i32(), 0);
    if (place.type == PN_TYPE_REAL) copy(to.getFloatTy(), 1);
    copy(i8(), 2);
}

// Stops the run with "Using value of ... was not assigned!" when the cell was never assigned.
// A named variable shares one failing block; key is null for a cell known only at run time.
void Compiler::checkAssigned(Value* cell, Value* owner, const void* key) {
    // The flag is a C++ bool, 0 or 1: said so, the optimiser knows that a variable just tested is
    // marked already and drops the store that would mark it again.
    llvm::LoadInst* flag = b.CreateLoad(i8(), b.CreateStructGEP(cellType, cell, 2));
    flag->setMetadata(llvm::LLVMContext::MD_range,
                      llvm::MDBuilder(ctx).createRange(llvm::APInt(8, 0), llvm::APInt(8, 2)));
    BasicBlock* ok = newBlock("assigned");
    BasicBlock* fail = key ? unassignedBlocks[key] : nullptr;
    if (!fail) {
        fail = newBlock("unassigned");
        llvm::IRBuilder<> f(fail);
        f.SetCurrentDebugLocation(b.getCurrentDebugLocation());
        auto* type = llvm::FunctionType::get(f.getVoidTy(), {ptr(), ptr()}, false);
        Value* callee = llvm::ConstantExpr::getIntToPtr(
            f.getInt64(reinterpret_cast<std::uintptr_t>(program.hooks.failUnassigned)), type->getPointerTo());
        f.CreateCall(type, callee, {runArg, owner});
        f.CreateBr(errorBlock);
        if (key) unassignedBlocks[key] = fail;
    }
    b.CreateCondBr(b.CreateICmpEQ(flag, b.getInt8(0)), fail, ok);
    b.SetInsertPoint(ok);
}

// The field of a number: the variable's own, converted as the fast backend converts it.
Value* Compiler::numberField(const Entry& e, bool wantReal) {
    Value* cell = nullptr;
    if (e.kind == Entry::Kind::VAR) {
        cell = cellOf(e.var);
        if (e.var->named) checkAssigned(cell, pointerTo(e.var->variable), e.var->variable);
    } else {
        cell = e.value;
        checkAssigned(cell, e.owner, nullptr);
    }
    if (e.type == PN_TYPE_INT) {
        Value* v = b.CreateLoad(i32(), b.CreateStructGEP(cellType, cell, 0));
        return wantReal ? b.CreateSIToFP(v, b.getFloatTy()) : v;
    }
    if (e.type != PN_TYPE_REAL) unsupported("a variable without a numeric type used as a number");
    Value* v = b.CreateLoad(b.getFloatTy(), b.CreateStructGEP(cellType, cell, 1));
    return wantReal ? v : truncate(v);
}

Value* Compiler::intOf(const Entry& e) {
    switch (e.kind) {
        case Entry::Kind::INT: return e.value;
        case Entry::Kind::REAL: return truncate(e.value);
        case Entry::Kind::LABEL: return b.getInt32(static_cast<std::uint32_t>(e.label));
        case Entry::Kind::VAR:
        case Entry::Kind::CELL: return numberField(e, false);
        case Entry::Kind::TEXT: break;
    }
    unsupported("a string used as a number");
}

Value* Compiler::realOf(const Entry& e) {
    switch (e.kind) {
        case Entry::Kind::INT: return b.CreateSIToFP(e.value, b.getFloatTy());
        case Entry::Kind::REAL: return e.value;
        case Entry::Kind::VAR:
        case Entry::Kind::CELL: return numberField(e, true);
        default: break;
    }
    unsupported("a string used as a number");
}

Value* Compiler::textOf(const Entry& e) {
    if (e.kind == Entry::Kind::TEXT) return e.value;
    if (e.kind == Entry::Kind::VAR && e.type == PN_TYPE_STRING) {
        if (e.var->named) checkAssigned(cellOf(e.var), pointerTo(e.var->variable), e.var->variable);
        return pointerTo(e.var->text);
    }
    unsupported("a number used as a string");
}

void Compiler::returnOnFailure(Value* status) {
    BasicBlock* ok = newBlock("ok");
    b.CreateCondBr(b.CreateICmpNE(status, b.getInt32(0)), errorBlock, ok);
    b.SetInsertPoint(ok);
}

CompiledShape Compiler::run() {
    scanTargets();
    cellType = llvm::StructType::create(ctx, {i32(), b.getFloatTy(), i8()}, "poliz.cell");
    shape.function = "poliz.program";
    auto* type = llvm::FunctionType::get(i32(), {ptr()}, false);
    fn = llvm::Function::Create(type, llvm::GlobalValue::ExternalLinkage, shape.function, module);
    fn->addFnAttr(llvm::Attribute::NoUnwind);
    runArg = fn->getArg(0);
    std::unique_ptr<llvm::DIBuilder> debug;
    if (lines) {
        module.addModuleFlag(llvm::Module::Warning, "Debug Info Version", llvm::DEBUG_METADATA_VERSION);
        module.addModuleFlag(llvm::Module::Warning, "Dwarf Version", 4);
        debug = std::make_unique<llvm::DIBuilder>(module);
        llvm::DIFile* file = debug->createFile("program.ppp", ".");
        debug->createCompileUnit(llvm::dwarf::DW_LANG_C, file, "poliz", true, "", 0);
        // The entry's own code (saving registers) is listed under the program's first line.
        const unsigned entryLine = 1;
        subprogram =
            debug->createFunction(file, "program", "program", file, entryLine,
                                  debug->createSubroutineType(debug->getOrCreateTypeArray({})), entryLine,
                                  llvm::DINode::FlagZero, llvm::DISubprogram::SPFlagDefinition);
        fn->setSubprogram(subprogram);
    }
    entryBlock = newBlock("entry");
    errorBlock = newBlock("error");
    divisionBlock = newBlock("division");
    BasicBlock* end = newBlock("end");
    b.SetInsertPoint(errorBlock);
    if (lines) b.SetCurrentDebugLocation(llvm::DILocation::get(ctx, 0, 0, subprogram));
    b.CreateRet(b.getInt32(1));
    b.SetInsertPoint(divisionBlock);
    call(program.hooks.failDivision, b.getVoidTy(), {runArg});
    b.CreateBr(errorBlock);
    b.SetInsertPoint(end);
    b.CreateRet(b.getInt32(0));

    b.SetInsertPoint(entryBlock);
    // One way in, at the start or at the head of the loop that got hot. With a way in at every
    // loop's head, the loops around an inner one would have two entries, and the optimiser
    // leaves such loops as they are.
    if (!loopHeads.count(program.entry)) unsupported("no loop comes back to the entry");
    b.CreateBr(blockAt(program.entry));

    reachable = false;
    for (at = 0; at < count; ++at) {
        setLine();
        if (targets.count(at)) enter(at);
        if (reachable) item(items[at]);
    }
    // The end of the program, reached in sequence or by a jump past the last item.
    if (reachable) b.CreateBr(end);
    if (BasicBlock* past = blocks.count(count) ? blocks[count] : nullptr) {
        b.SetInsertPoint(past);
        b.CreateBr(end);
    }
    if (debug) debug->finalize();
    // Blocks no path reaches (dead code after a jump) have no terminator yet.
    for (BasicBlock& block : *fn)
        if (!block.getTerminator()) {
            b.SetInsertPoint(&block);
            b.CreateUnreachable();
        }
    return std::move(shape);
}

}  // namespace compiler

CompiledShape compileProgram(const PolizNativeProgram& program, llvm::Module& module, bool lines) {
    return compiler::Compiler(program, module, lines).run();
}

}  // namespace native
