// The compiler behind compileProgram, shared by its two files: ProgramCompiler.cpp walks the
// items, lays out blocks and merges stacks where paths meet; CompilerOperations.cpp turns each
// operator into IR. Internal to the plugin.
#pragma once

#include <llvm/IR/DIBuilder.h>
#include <llvm/IR/IRBuilder.h>
#include <llvm/IR/Intrinsics.h>
#include <llvm/IR/Module.h>

#include <algorithm>
#include <map>
#include <set>

#include "native/ProgramCompiler.h"
#include "runtime/Vocabulary.h"

namespace native {
namespace compiler {

using llvm::BasicBlock;
using llvm::Value;

// One operand stack entry as the compiler knows it.
struct Entry {
    enum class Kind : std::uint8_t { INT, REAL, TEXT, VAR, CELL, LABEL };
    Kind kind = Kind::INT;
    Value* value = nullptr;                // INT i32, REAL float, TEXT i8*, CELL the cell
    Value* owner = nullptr;                // CELL: the variable to name when unassigned
    const PolizNativeItem* var = nullptr;  // VAR
    std::int32_t label = 0;                // LABEL
    std::uint8_t type = PN_TYPE_NONE;      // VAR, CELL: the variable's type
    bool owned = false;                    // TEXT: the string buffer of its own depth

    bool sameAs(const Entry& o) const {
        if (kind != o.kind) return false;
        switch (kind) {
            case Kind::VAR: return var->variable == o.var->variable;
            case Kind::LABEL: return label == o.label;
            case Kind::CELL: return value == o.value && owner == o.owner;
            default: return value == o.value && owned == o.owned;
        }
    }
};

using Stack = std::vector<Entry>;

struct Incoming {
    BasicBlock* from;
    Stack stack;
};

inline std::uint8_t typeOf(const Entry& e) {
    switch (e.kind) {
        case Entry::Kind::INT: return PN_TYPE_INT;
        case Entry::Kind::REAL: return PN_TYPE_REAL;
        case Entry::Kind::TEXT: return PN_TYPE_STRING;
        case Entry::Kind::VAR:
        case Entry::Kind::CELL: return e.type;
        case Entry::Kind::LABEL: break;
    }
    return PN_TYPE_NONE;
}

inline bool isNumeric(std::uint8_t t) { return t == PN_TYPE_INT || t == PN_TYPE_REAL; }

class Compiler {
public:
    Compiler(const PolizNativeProgram& program, llvm::Module& module, bool lines)
        : program(program),
          items(program.items),
          count(program.count),
          module(module),
          ctx(module.getContext()),
          b(ctx),
          lines(lines) {}

    CompiledShape run();

private:
    const PolizNativeProgram& program;
    const PolizNativeItem* items;
    const std::int32_t count;
    llvm::Module& module;
    llvm::LLVMContext& ctx;
    llvm::IRBuilder<> b;
    bool lines;
    CompiledShape shape;

    llvm::Function* fn = nullptr;
    Value* runArg = nullptr;
    BasicBlock* entryBlock = nullptr;
    llvm::StructType* cellType = nullptr;
    llvm::DISubprogram* subprogram = nullptr;

    std::set<std::int32_t> loopHeads;            // the start and where loops come back: empty stack
    std::set<std::int32_t> targets;              // every jump target and loop head
    std::map<std::int32_t, BasicBlock*> blocks;  // per target
    std::map<std::int32_t, std::vector<Incoming>> incoming;
    // Each variable's cell, where poliz keeps it, and its home in the frame, where native code
    // keeps it (see cellOf).
    struct CellPlace {
        Value* global = nullptr;
        Value* home = nullptr;
        std::uint8_t type = PN_TYPE_NONE;
    };
    std::map<const void*, CellPlace> cells;
    std::map<const void*, BasicBlock*> unassignedBlocks;
    BasicBlock* divisionBlock = nullptr;
    BasicBlock* errorBlock = nullptr;

    Stack stack;
    bool reachable = false;
    std::int32_t at = 0;  // the item being compiled

    [[noreturn]] void unsupported(const std::string& why) const {
        throw Unsupported(why + " at item " + std::to_string(at));
    }

    // Types and constants.
    llvm::Type* i8() { return b.getInt8Ty(); }
    llvm::Type* i32() { return b.getInt32Ty(); }
    llvm::PointerType* ptr() { return b.getInt8PtrTy(); }
    Value* pointerTo(const void* p) {
        return llvm::ConstantExpr::getIntToPtr(b.getInt64(reinterpret_cast<std::uintptr_t>(p)), ptr());
    }
    template <class R, class... A>
    Value* call(R (*hook)(A...), llvm::Type* result, std::initializer_list<Value*> args) {
        std::vector<llvm::Type*> params;
        for (Value* a : args) params.push_back(a->getType());
        auto* type = llvm::FunctionType::get(result, params, false);
        Value* callee = llvm::ConstantExpr::getIntToPtr(b.getInt64(reinterpret_cast<std::uintptr_t>(hook)),
                                                        type->getPointerTo());
        return b.CreateCall(type, callee, args);
    }

    BasicBlock* newBlock(const char* name) { return BasicBlock::Create(ctx, name, fn); }
    BasicBlock* blockAt(std::int32_t address) {
        BasicBlock*& block = blocks[address];
        if (!block) block = newBlock("item");
        return block;
    }

    void scanTargets();
    void setLine();
    void enter(std::int32_t address);
    void merge(std::int32_t address);
    void item(const PolizNativeItem& it);
    void operation(Operation op);

    Entry pop() {
        if (stack.empty()) unsupported("too few operands");
        Entry e = stack.back();
        stack.pop_back();
        return e;
    }
    void push(Entry e) {
        stack.push_back(e);
        shape.stackDepth = std::max<std::int32_t>(shape.stackDepth, static_cast<std::int32_t>(stack.size()));
    }
    Entry intEntry(Value* v) { return Entry{Entry::Kind::INT, v}; }
    Entry realEntry(Value* v) { return Entry{Entry::Kind::REAL, v}; }

    // Fetching values: a variable that may be unassigned is tested first.
    Value* cellOf(const PolizNativeItem* var);
    void loadHome(llvm::IRBuilder<>& to, const CellPlace& place);
    void checkAssigned(Value* cell, Value* owner, const void* key);
    Value* numberField(const Entry& e, bool wantReal);
    Value* intOf(const Entry& e);
    Value* realOf(const Entry& e);
    Value* textOf(const Entry& e);
    Value* truncate(Value* f) {
        return b.CreateIntrinsic(llvm::Intrinsic::fptosi_sat, {i32(), b.getFloatTy()}, {f});
    }
    void returnOnFailure(Value* status);

    void arithmetic(Operation op);
    void comparison(Operation op);
    void assign();
    void shortCircuit(bool isAnd);
    void write();
    void jump(bool onlyIfFalse);
    void edgeTo(std::int32_t target);
};

}  // namespace compiler
}  // namespace native
