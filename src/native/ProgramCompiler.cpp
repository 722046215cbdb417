// POLIZ to LLVM IR. The items are walked once in address order with the operand stack held as
// compile-time entries: a constant, an SSA value, a variable reference or a string pointer.
// Every jump target (a label's address + 1) begins a block; where control meets from several
// places the entries become phi nodes. The run's order of fetches, its errors and its wrapping
// arithmetic are those of the fast backend (fast/Arithmetic.h, fast/Machine.cpp).
#include "native/ProgramCompiler.h"

#include <llvm/IR/DIBuilder.h>
#include <llvm/IR/IRBuilder.h>
#include <llvm/IR/Intrinsics.h>
#include <llvm/IR/Module.h>

#include <algorithm>
#include <map>
#include <set>

#include "runtime/Vocabulary.h"

namespace native {
namespace {

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

std::uint8_t typeOf(const Entry& e) {
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

bool isNumeric(std::uint8_t t) { return t == PN_TYPE_INT || t == PN_TYPE_REAL; }

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

    std::set<std::int32_t> entries;              // where control may enter: empty stack
    std::set<std::int32_t> targets;              // every jump target and entry
    std::map<std::int32_t, BasicBlock*> blocks;  // per target
    std::map<std::int32_t, std::vector<Incoming>> incoming;
    std::map<const void*, Value*> cellGlobals;
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

void Compiler::scanTargets() {
    entries.insert(0);
    for (std::int32_t k = 0; k < count; ++k) {
        if (items[k].kind != PN_LABEL) continue;
        at = k;
        const bool followed = k + 1 < count && items[k + 1].kind == PN_OPERATOR &&
                              (items[k + 1].operation == static_cast<std::uint8_t>(Operation::JUMP) ||
                               items[k + 1].operation == static_cast<std::uint8_t>(Operation::JUMPFALSE));
        if (!followed) unsupported("a label that no jump takes");
        const std::int32_t label = items[k].i;
        if (label < 0 || label >= count) unsupported("a jump outside the program");
        const std::int32_t target = label + 1;
        targets.insert(target);
        if (target <= k + 1) entries.insert(target);  // a loop: control comes back with an empty stack
    }
    targets.insert(entries.begin(), entries.end());
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
    if (entries.count(address)) {
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
                    cells->addIncoming(cellOf(e.var), in.from);
                    owners->addIncoming(
                        e.var->named ? pointerTo(e.var->variable) : llvm::ConstantPointerNull::get(ptr()),
                        in.from);
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

Value* Compiler::cellOf(const PolizNativeItem* var) {
    Value*& global = cellGlobals[var->cell];
    if (!global) {
        CellSymbol symbol{"poliz.cell." + std::to_string(shape.cells.size()), var->cell};
        global = new llvm::GlobalVariable(module, cellType, false, llvm::GlobalValue::ExternalLinkage,
                                          nullptr, symbol.name);
        shape.cells.push_back(symbol);
    }
    return global;
}

// Stops the run with "Using value of ... was not assigned!" when the cell was never assigned.
// A named variable shares one failing block; key is null for a cell known only at run time.
void Compiler::checkAssigned(Value* cell, Value* owner, const void* key) {
    Value* flag = b.CreateLoad(i8(), b.CreateStructGEP(cellType, cell, 2));
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

void Compiler::item(const PolizNativeItem& it) {
    switch (it.kind) {
        case PN_INT: push(intEntry(b.getInt32(static_cast<std::uint32_t>(it.i)))); break;
        case PN_REAL: push(realEntry(llvm::ConstantFP::get(b.getFloatTy(), it.r))); break;
        case PN_TEXT: push(Entry{Entry::Kind::TEXT, pointerTo(it.text)}); break;
        case PN_VARIABLE: {
            if (it.type == PN_TYPE_NONE) unsupported("a variable without a type");
            Entry e{Entry::Kind::VAR};
            e.var = &it;
            e.type = it.type;
            push(e);
            break;
        }
        case PN_LABEL: {
            Entry e{Entry::Kind::LABEL};
            e.label = it.i;
            push(e);
            break;
        }
        case PN_OPERATOR: operation(static_cast<Operation>(it.operation)); break;
        default: unsupported("an item of unknown kind");
    }
}

void Compiler::operation(Operation op) {
    switch (op) {
        case Operation::MUL:
        case Operation::DIV:
        case Operation::SUB:
        case Operation::ADD: arithmetic(op); break;
        case Operation::LT:
        case Operation::GT:
        case Operation::LE:
        case Operation::GE:
        case Operation::EQ:
        case Operation::NE: comparison(op); break;
        case Operation::ASSIGN: assign(); break;
        case Operation::AND: shortCircuit(true); break;
        case Operation::OR: shortCircuit(false); break;
        case Operation::NOT:
            push(intEntry(b.CreateZExt(b.CreateICmpEQ(intOf(pop()), b.getInt32(0)), i32())));
            break;
        case Operation::NEG: {
            const Entry e = pop();
            if (typeOf(e) == PN_TYPE_INT)
                push(intEntry(b.CreateSub(b.getInt32(0), intOf(e))));  // the smallest int wraps to itself
            else if (typeOf(e) == PN_TYPE_REAL)
                push(realEntry(b.CreateFNeg(realOf(e))));
            else
                unsupported("\"~\" on a string");
            break;
        }
        case Operation::READ: {
            const Entry e = pop();
            if (e.kind != Entry::Kind::VAR) unsupported("\"read\" without a variable");
            returnOnFailure(call(program.hooks.read, i32(), {runArg, pointerTo(e.var->variable)}));
            break;
        }
        case Operation::WRITE: write(); break;
        case Operation::BACKSPACE: pop(); break;
        case Operation::DUP: {
            if (stack.empty()) unsupported("too few operands");
            Entry copy = stack.back();
            copy.owned = false;  // the copy reads the same buffer until either is consumed
            push(copy);
            break;
        }
        case Operation::JUMP: jump(false); break;
        case Operation::JUMPFALSE: jump(true); break;
        case Operation::EMPTY:
        case Operation::NOTHING: break;
    }
}

// "*" "/" "-" "+": the int form when both are ints, else the float form for two numbers, else
// strings joined. Numeric forms fetch op2 first, except "/", which fetches op1 and tests it for
// zero before anything else; strings fetch op1 first.
void Compiler::arithmetic(Operation op) {
    const Entry op1 = pop();
    const Entry op2 = pop();
    const std::uint8_t t1 = typeOf(op1);
    const std::uint8_t t2 = typeOf(op2);
    if (t1 == PN_TYPE_STRING && t2 == PN_TYPE_STRING && op == Operation::ADD) {
        Value* right = textOf(op1);
        Value* left = textOf(op2);
        const auto depth = static_cast<std::int32_t>(stack.size());
        Entry joined{Entry::Kind::TEXT,
                     call(program.hooks.join, ptr(),
                          {runArg, b.getInt32(static_cast<std::uint32_t>(depth)), left, right})};
        joined.owned = true;
        push(joined);
        return;
    }
    if (!isNumeric(t1) || !isNumeric(t2)) unsupported("operands that match no form of an arithmetic word");
    if (t1 == PN_TYPE_INT && t2 == PN_TYPE_INT) {
        if (op == Operation::DIV) {
            Value* right = intOf(op1);
            BasicBlock* ok = newBlock("divisor");
            b.CreateCondBr(b.CreateICmpEQ(right, b.getInt32(0)), divisionBlock, ok);
            b.SetInsertPoint(ok);
            Value* left = intOf(op2);
            // The one quotient that overflows, the smallest int by -1, wraps to itself; the
            // division itself never sees -1, for which it would be undefined.
            Value* minusOne = b.CreateICmpEQ(right, b.getInt32(0xFFFFFFFFu));
            Value* divisor = b.CreateSelect(minusOne, b.getInt32(1), right);
            push(intEntry(
                b.CreateSelect(minusOne, b.CreateSub(b.getInt32(0), left), b.CreateSDiv(left, divisor))));
            return;
        }
        Value* left = intOf(op2);
        Value* right = intOf(op1);
        switch (op) {
            case Operation::MUL: push(intEntry(b.CreateMul(left, right))); break;
            case Operation::SUB: push(intEntry(b.CreateSub(left, right))); break;
            default: push(intEntry(b.CreateAdd(left, right))); break;
        }
        return;
    }
    if (op == Operation::DIV) {
        Value* right = realOf(op1);
        BasicBlock* ok = newBlock("divisor");
        b.CreateCondBr(b.CreateFCmpOEQ(right, llvm::ConstantFP::get(b.getFloatTy(), 0.0)), divisionBlock, ok);
        b.SetInsertPoint(ok);
        Value* left = realOf(op2);
        push(realEntry(b.CreateFDiv(left, right)));
        return;
    }
    Value* left = realOf(op2);
    Value* right = realOf(op1);
    switch (op) {
        case Operation::MUL: push(realEntry(b.CreateFMul(left, right))); break;
        case Operation::SUB: push(realEntry(b.CreateFSub(left, right))); break;
        default: push(realEntry(b.CreateFAdd(left, right))); break;
    }
}

// 1 when `op2 word op1` holds, else 0; a NaN makes every comparison false except "!=".
void Compiler::comparison(Operation op) {
    using P = llvm::CmpInst::Predicate;
    static const std::map<Operation, std::pair<P, P>> kPredicates = {
        {Operation::LT, {P::ICMP_SLT, P::FCMP_OLT}}, {Operation::GT, {P::ICMP_SGT, P::FCMP_OGT}},
        {Operation::LE, {P::ICMP_SLE, P::FCMP_OLE}}, {Operation::GE, {P::ICMP_SGE, P::FCMP_OGE}},
        {Operation::EQ, {P::ICMP_EQ, P::FCMP_OEQ}},  {Operation::NE, {P::ICMP_NE, P::FCMP_UNE}}};
    const auto [intPredicate, realPredicate] = kPredicates.at(op);
    const Entry op1 = pop();
    const Entry op2 = pop();
    const std::uint8_t t1 = typeOf(op1);
    const std::uint8_t t2 = typeOf(op2);
    Value* holds = nullptr;
    if (t1 == PN_TYPE_INT && t2 == PN_TYPE_INT) {
        Value* left = intOf(op2);
        holds = b.CreateICmp(intPredicate, left, intOf(op1));
    } else if (isNumeric(t1) && isNumeric(t2)) {
        Value* left = realOf(op2);
        holds = b.CreateFCmp(realPredicate, left, realOf(op1));
    } else if (t1 == PN_TYPE_STRING && t2 == PN_TYPE_STRING) {
        Value* right = textOf(op1);
        Value* left = textOf(op2);
        holds = b.CreateICmp(intPredicate, call(program.hooks.compare, i32(), {left, right}), b.getInt32(0));
    } else {
        unsupported("operands that match no form of a comparison");
    }
    push(intEntry(b.CreateZExt(holds, i32())));
}

// "=": op1 into the variable op2, converted to its type; the variable is the result.
void Compiler::assign() {
    const Entry op1 = pop();
    const Entry target = pop();
    if (target.kind != Entry::Kind::VAR) unsupported("\"=\" without a variable");
    const std::uint8_t tt = target.type;
    const std::uint8_t tv = typeOf(op1);
    // A temporary that no one else reads keeps its value in a register: the value, converted to
    // the temporary's type, stands for it.
    if (target.var->privateTemp && isNumeric(tt) && isNumeric(tv)) {
        if (tt == PN_TYPE_INT)
            push(intEntry(tv == PN_TYPE_INT ? intOf(op1) : truncate(realOf(op1))));
        else
            push(realEntry(realOf(op1)));
        return;
    }
    Value* cell = cellOf(target.var);
    if (tt == PN_TYPE_INT && tv == PN_TYPE_INT) {
        b.CreateStore(intOf(op1), b.CreateStructGEP(cellType, cell, 0));
    } else if (isNumeric(tt) && isNumeric(tv)) {
        Value* v = realOf(op1);
        if (tt == PN_TYPE_INT)
            b.CreateStore(truncate(v), b.CreateStructGEP(cellType, cell, 0));
        else
            b.CreateStore(v, b.CreateStructGEP(cellType, cell, 1));
    } else if (tt == PN_TYPE_STRING && tv == PN_TYPE_STRING) {
        Value* text = textOf(op1);
        const bool movable = op1.kind == Entry::Kind::TEXT && op1.owned;
        call(program.hooks.assignText, b.getVoidTy(),
             {pointerTo(target.var->variable), text, b.getInt32(movable ? 1 : 0)});
    } else {
        unsupported("operands that match no form of \"=\"");
    }
    if (target.var->named) b.CreateStore(b.getInt8(1), b.CreateStructGEP(cellType, cell, 2));
    push(target);
}

// "and", "or": op2 decides first, and op1 is fetched only when it does not.
void Compiler::shortCircuit(bool isAnd) {
    const Entry op1 = pop();
    const Entry op2 = pop();
    Value* left = b.CreateICmpNE(intOf(op2), b.getInt32(0));
    BasicBlock* decided = b.GetInsertBlock();
    BasicBlock* rightBlock = newBlock(isAnd ? "and" : "or");
    BasicBlock* done = newBlock("chain");
    if (isAnd)
        b.CreateCondBr(left, rightBlock, done);
    else
        b.CreateCondBr(left, done, rightBlock);
    b.SetInsertPoint(rightBlock);
    Value* right = b.CreateICmpNE(intOf(op1), b.getInt32(0));
    BasicBlock* rightEnd = b.GetInsertBlock();
    b.CreateBr(done);
    b.SetInsertPoint(done);
    llvm::PHINode* result = b.CreatePHI(b.getInt1Ty(), 2);
    result->addIncoming(b.getInt1(!isAnd), decided);
    result->addIncoming(right, rightEnd);
    push(intEntry(b.CreateZExt(result, i32())));
}

// "write": the count, then that many values printed in the order they were pushed.
void Compiler::write() {
    const Entry countEntry = pop();
    auto* constant =
        countEntry.kind == Entry::Kind::INT ? llvm::dyn_cast<llvm::ConstantInt>(countEntry.value) : nullptr;
    if (!constant) unsupported("a \"write\" whose count is not a constant");
    const std::int64_t n = constant->getSExtValue();
    if (n < 0 || static_cast<std::size_t>(n) > stack.size()) unsupported("a \"write\" with a wrong count");
    const std::size_t first = stack.size() - static_cast<std::size_t>(n);
    for (std::size_t k = first; k < stack.size(); ++k) {
        const Entry& e = stack[k];
        Value* status = nullptr;
        switch (typeOf(e)) {
            case PN_TYPE_INT: status = call(program.hooks.writeInt, i32(), {runArg, intOf(e)}); break;
            case PN_TYPE_REAL: status = call(program.hooks.writeReal, i32(), {runArg, realOf(e)}); break;
            case PN_TYPE_STRING: status = call(program.hooks.writeText, i32(), {runArg, textOf(e)}); break;
            default:
                if (e.kind != Entry::Kind::LABEL) unsupported("a value of no type written");
                status = call(program.hooks.writeInt, i32(), {runArg, intOf(e)});
        }
        returnOnFailure(status);
    }
    stack.resize(first);
}

// A jump to the item after the label's marker; "jumpfalse" pops the label, then the condition,
// and jumps when it is 0.
void Compiler::jump(bool onlyIfFalse) {
    const Entry label = pop();
    if (label.kind != Entry::Kind::LABEL) unsupported("a jump without a label");
    const std::int32_t target = label.label + 1;
    if (!onlyIfFalse) {
        edgeTo(target);
        reachable = false;
        return;
    }
    Value* condition = intOf(pop());
    BasicBlock* fallThrough = newBlock("then");
    b.CreateCondBr(b.CreateICmpEQ(condition, b.getInt32(0)), blockAt(target), fallThrough);
    incoming[target].push_back({b.GetInsertBlock(), stack});
    b.SetInsertPoint(fallThrough);
}

void Compiler::edgeTo(std::int32_t target) {
    b.CreateBr(blockAt(target));
    incoming[target].push_back({b.GetInsertBlock(), stack});
}

CompiledShape Compiler::run() {
    scanTargets();
    cellType = llvm::StructType::create(ctx, {i32(), b.getFloatTy(), i8()}, "poliz.cell");
    shape.function = "poliz.program";
    auto* type = llvm::FunctionType::get(i32(), {ptr(), i32()}, false);
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
        subprogram = debug->createFunction(file, "program", "program", file, 1,
                                           debug->createSubroutineType(debug->getOrCreateTypeArray({})), 1,
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
    BasicBlock* nowhere = newBlock("nowhere");
    llvm::SwitchInst* dispatch =
        b.CreateSwitch(fn->getArg(1), nowhere, static_cast<unsigned>(entries.size()));
    for (std::int32_t e : entries) {
        if (e > count) continue;
        dispatch->addCase(b.getInt32(static_cast<std::uint32_t>(e)), blockAt(e));
        shape.entries.push_back(e);
    }
    b.SetInsertPoint(nowhere);
    b.CreateRet(b.getInt32(2));

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

}  // namespace

CompiledShape compileProgram(const PolizNativeProgram& program, llvm::Module& module, bool lines) {
    return Compiler(program, module, lines).run();
}

}  // namespace native
