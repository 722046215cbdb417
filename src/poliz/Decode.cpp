// Turns the POLIZ items into instructions once, before the run: operator words are looked up
// in the vocabulary here and never again, operands become ready-made stack values, and the
// translator's frequent shapes are fused.
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "poliz/Instr.h"
#include "poliz/Poliz.h"

namespace {

// The kind of a lexeme fixes its class: each kind is set by exactly one class's constructors.
Instr decodeItem(Lex* item) {
    Instr ins;
    ins.op = Op::PUSH;
    switch (item->getKind()) {
        case IDENT: {
            auto* var = static_cast<Ident*>(item);
            // A variable's type is settled before the run, so its slot kind is fixed here.
            ins.a = Value::ofVar(variableSlot(var->valueType()), var);
            break;
        }
        case NUMBER: ins.a = Value::ofInt(static_cast<const Number*>(item)->getIntVal()); break;
        case REAL: ins.a = Value::ofReal(static_cast<const Real*>(item)->getRealVal()); break;
        case STRINGC: ins.a = Value::ofStrConst(&static_cast<const StringC*>(item)->text()); break;
        case LABEL: ins.a = Value::ofLabel(static_cast<const Label*>(item)->getAddress()); break;
        case KEYWORD:
        case DELIM: ins.op = opOfWord(static_cast<const Word*>(item)->text()); break;
    }
    return ins;
}

bool isOperand(const Instr& ins) { return ins.op == Op::PUSH && ins.a.slot != Slot::LABEL; }

// A label that a jump can use; an out-of-range one keeps the plain form, which reports it.
bool isLabelIn(const Instr& ins, std::size_t n) {
    return ins.op == Op::PUSH && ins.a.slot == Slot::LABEL && ins.a.i >= 0 && static_cast<std::size_t>(ins.a.i) < n;
}

// operand operand word, starting at k.
bool startsBinaryOfTwo(const std::vector<Instr>& plain, std::size_t k) {
    return k + 2 < plain.size() && isOperand(plain[k]) && isOperand(plain[k + 1]) && isBinary(plain[k + 2].op);
}

// The fused form of the items starting at k, or the plain instruction when no shape fits.
Instr fuseAt(const std::vector<Instr>& plain, std::size_t k) {
    const std::size_t n = plain.size();
    const Instr& first = plain[k];
    const Op next = k + 1 < n ? plain[k + 1].op : Op::NOP;
    const Op third = k + 2 < n ? plain[k + 2].op : Op::NOP;
    Instr ins = first;
    if (isLabelIn(first, n) && (next == Op::JUMP || next == Op::JUMPFALSE)) {
        ins.op = next == Op::JUMP ? Op::JUMP_TO : Op::JUMPFALSE_TO;
        ins.target = first.a.i + 1;  // a taken jump continues after the marker
    } else if (startsBinaryOfTwo(plain, k)) {
        ins.op = withOperands(third);
        ins.b = plain[k + 1].a;
    } else if (first.op == Op::ASSIGN && next == Op::ASSIGN && third == Op::BACKSPACE) {
        ins.op = Op::ASSIGN_STMT;
    } else if (first.op == Op::ASSIGN && k + 1 < n && isLabelIn(plain[k + 1], n) && third == Op::JUMPFALSE) {
        ins.op = Op::ASSIGN_JUMPFALSE;
        ins.target = plain[k + 1].a.i + 1;
    } else if (isOperand(first) && isBinary(next)) {
        ins.op = withOperand(next);
    } else if (isOperand(first) && next == Op::ASSIGN) {
        ins.op = Op::ASSIGN_P;
    } else if (first.op == Op::PUSH && k + 1 < n && isOperand(plain[k + 1]) && !startsBinaryOfTwo(plain, k + 1)) {
        // Not when the second operand begins a fused word: T a b "+" runs best as T, [a b "+"].
        ins.op = Op::PUSH2;
        ins.b = plain[k + 1].a;
    }
    return ins;
}

}  // namespace

std::vector<Instr> decode(const Poliz& poliz, bool fuse) {
    const auto n = static_cast<std::size_t>(poliz.size());
    std::vector<Instr> plain(n);
    for (std::size_t i = 0; i < n; ++i) plain[i] = decodeItem(poliz.at(static_cast<int>(i)));
    if (!fuse) return plain;
    std::vector<Instr> fused(n);
    for (std::size_t i = 0; i < n; ++i) fused[i] = fuseAt(plain, i);
    return fused;
}
