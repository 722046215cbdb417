// Turns the POLIZ items into instructions once, before the run: operator words are looked up
// in the vocabulary here and never again, operands become immediates or pointers.
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
    switch (item->getKind()) {
        case IDENT: {
            auto* var = static_cast<Ident*>(item);
            ins.op = Op::PUSH_VAR;
            ins.slot = variableSlot(var->valueType());
            ins.var = var;
            break;
        }
        case NUMBER:
            ins.op = Op::PUSH_INT;
            ins.imm = static_cast<const Number*>(item)->getIntVal();
            break;
        case REAL:
            ins.op = Op::PUSH_REAL;
            ins.real = static_cast<const Real*>(item)->getRealVal();
            break;
        case STRINGC:
            ins.op = Op::PUSH_STR;
            ins.str = &static_cast<const StringC*>(item)->text();
            break;
        case LABEL:
            ins.op = Op::PUSH_LABEL;
            ins.imm = static_cast<const Label*>(item)->getAddress();
            break;
        case KEYWORD:
        case DELIM: ins.op = opOfWord(static_cast<const Word*>(item)->text()); break;
    }
    return ins;
}

}  // namespace

std::vector<Instr> decode(const Poliz& poliz, bool fuse) {
    const int n = poliz.size();
    std::vector<Instr> prog(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) prog[static_cast<std::size_t>(i)] = decodeItem(poliz.at(i));
    if (!fuse) return prog;
    for (int i = 0; i + 1 < n; ++i) {
        Instr& label = prog[static_cast<std::size_t>(i)];
        const Op next = prog[static_cast<std::size_t>(i) + 1].op;
        // An out-of-range label keeps the plain form, which reports it when it runs.
        if (label.op != Op::PUSH_LABEL || label.imm < 0 || label.imm >= n) continue;
        if (next == Op::JUMP || next == Op::JUMPFALSE) {
            label.op = next == Op::JUMP ? Op::JUMP_TO : Op::JUMPFALSE_TO;
            label.imm += 1;  // a taken jump continues after the marker
        }
    }
    return prog;
}
