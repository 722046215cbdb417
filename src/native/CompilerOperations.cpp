// The operators of the POLIZ as IR, each on the compile-time operand stack (see
// ProgramCompilerState.h): values are fetched in the order the fast backend fetches them, so
// that the same variable is named when one is unassigned.
#include "native/ProgramCompilerState.h"

#include <cassert>

namespace native {
namespace compiler {

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
            cellOf(e.var);
            loadHome(b, cells[e.var->cell]);
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
    // The translator pairs a string only with a string, and joins two only with "+".
    if (t1 == PN_TYPE_STRING) {
        Value* right = textOf(op1);
        Value* left = textOf(op2);
        // `s = s + t`: t goes onto the end of s where it stands, instead of into a copy of s that
        // then replaces it; s itself is the value "=" assigns next, to itself.
        assert(at + 1 < count);  // a value goes on at least to its temporary's "="
        const bool appendsToItself =
            items[at + 1].kind == PN_OPERATOR &&
            items[at + 1].operation == static_cast<std::uint8_t>(Operation::ASSIGN) &&
            op2.kind == Entry::Kind::VAR && !stack.empty() && stack.back().sameAs(op2);
        if (appendsToItself) {
            call(program.hooks.appendText, b.getVoidTy(), {pointerTo(op2.var->variable), right});
            push(op2);
            return;
        }
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
    } else if (t1 == PN_TYPE_STRING) {  // and so is op2, as the translator checks
        Value* right = textOf(op1);
        Value* left = textOf(op2);
        holds = b.CreateICmp(intPredicate, call(program.hooks.compare, i32(), {left, right}), b.getInt32(0));
    } else {
        unsupported("operands that match no form of a comparison");
    }
    push(intEntry(b.CreateZExt(holds, i32())));
}

// "=": op1 into the variable op2, converted to its type; the variable is the result. The
// translator lets a number into numeric variables only, and a string into strings only.
void Compiler::assign() {
    const Entry op1 = pop();
    const Entry target = pop();
    if (target.kind != Entry::Kind::VAR) unsupported("\"=\" without a variable");
    const std::uint8_t tt = target.type;
    const std::uint8_t tv = typeOf(op1);
    // A temporary that no one else reads keeps its value in a register: the value, converted to
    // the temporary's type, stands for it.
    if (target.var->privateTemp && isNumeric(tv)) {
        if (tt == PN_TYPE_INT)
            push(intEntry(tv == PN_TYPE_INT ? intOf(op1) : truncate(realOf(op1))));
        else
            push(realEntry(realOf(op1)));
        return;
    }
    Value* cell = cellOf(target.var);
    if (tt == PN_TYPE_INT && tv == PN_TYPE_INT) {
        b.CreateStore(intOf(op1), b.CreateStructGEP(cellType, cell, 0));
    } else if (isNumeric(tv)) {
        Value* v = realOf(op1);
        if (tt == PN_TYPE_INT)
            b.CreateStore(truncate(v), b.CreateStructGEP(cellType, cell, 0));
        else
            b.CreateStore(v, b.CreateStructGEP(cellType, cell, 1));
    } else if (tv == PN_TYPE_STRING) {
        Value* text = textOf(op1);
        const bool movable = op1.kind == Entry::Kind::TEXT && op1.owned;
        // A string assigned to itself (as after an append) has nothing to copy.
        if (!op1.sameAs(target))
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

}  // namespace compiler
}  // namespace native
