// The instruction vocabulary of the stack machine: every operator word of the translated
// program maps to one Op, plus the operand push and the fused forms made while decoding.
#pragma once

#include <cstdint>
#include <string_view>

// Every operation, in order, as X(NAME): the enumeration below and the machine's dispatch table
// are both made from this one list.
#define POLIZ_OPS(X)                                                                                 \
    X(NOP)  /* "empty", and every word outside the vocabulary */                                     \
    X(PUSH) /* an operand item: the item itself goes on the stack (a variable as a reference) */     \
    /* The two-operand words, in one block (see binaryBase). */                                      \
    X(MUL)                                                                                           \
    X(DIV)                                                                                           \
    X(SUB)                                                                                           \
    X(ADD)                                                                                           \
    X(LT)                                                                                            \
    X(GT)                                                                                            \
    X(LE)                                                                                            \
    X(GE)                                                                                            \
    X(EQ)                                                                                            \
    X(NE)                                                                                            \
    /* The other words. */                                                                           \
    X(ASSIGN)                                                                                        \
    X(AND)                                                                                           \
    X(OR)                                                                                            \
    X(NOT)                                                                                           \
    X(READ)                                                                                          \
    X(WRITE)                                                                                         \
    X(BACKSPACE)                                                                                     \
    X(JUMP)                                                                                          \
    X(JUMPFALSE)                                                                                     \
    X(DUP)                                                                                           \
    X(NEG)                                                                                           \
    /* Fused forms. One stands at the address of the first item it covers and does what the */       \
    /* covered items do in turn; the items after the first keep their plain forms, so a jump */      \
    /* that lands among them still runs correctly. A fused form finds the operands of the items */   \
    /* it covers in the instructions that follow it (their `a`). */                                  \
    X(PUSH2) /* operand operand */                                                                   \
    X(MUL_P) /* operand word, for each two-operand word in block order: the operand is op1 */        \
    X(DIV_P)                                                                                         \
    X(SUB_P)                                                                                         \
    X(ADD_P)                                                                                         \
    X(LT_P)                                                                                          \
    X(GT_P)                                                                                          \
    X(LE_P)                                                                                          \
    X(GE_P)                                                                                          \
    X(EQ_P)                                                                                          \
    X(NE_P)                                                                                          \
    X(MUL_PP) /* operand operand word */                                                             \
    X(DIV_PP)                                                                                        \
    X(SUB_PP)                                                                                        \
    X(ADD_PP)                                                                                        \
    X(LT_PP)                                                                                         \
    X(GT_PP)                                                                                         \
    X(LE_PP)                                                                                         \
    X(GE_PP)                                                                                         \
    X(EQ_PP)                                                                                         \
    X(NE_PP)                                                                                         \
    X(MUL_STMT) /* T x operand operand word "=" "=" "backspace": the statement x = a word b */       \
    X(DIV_STMT)                                                                                      \
    X(SUB_STMT)                                                                                      \
    X(ADD_STMT)                                                                                      \
    X(LT_STMT)                                                                                       \
    X(GT_STMT)                                                                                       \
    X(LE_STMT)                                                                                       \
    X(GE_STMT)                                                                                       \
    X(EQ_STMT)                                                                                       \
    X(NE_STMT)                                                                                       \
    X(MUL_COND) /* T operand operand word "=" label "jumpfalse": the condition a word b */           \
    X(DIV_COND)                                                                                      \
    X(SUB_COND)                                                                                      \
    X(ADD_COND)                                                                                      \
    X(LT_COND)                                                                                       \
    X(GT_COND)                                                                                       \
    X(LE_COND)                                                                                       \
    X(GE_COND)                                                                                       \
    X(EQ_COND)                                                                                       \
    X(NE_COND)                                                                                       \
    X(MUL_BRANCH) /* operand operand word label "jumpfalse": a test of a case label */               \
    X(DIV_BRANCH)                                                                                    \
    X(SUB_BRANCH)                                                                                    \
    X(ADD_BRANCH)                                                                                    \
    X(LT_BRANCH)                                                                                     \
    X(GT_BRANCH)                                                                                     \
    X(LE_BRANCH)                                                                                     \
    X(GE_BRANCH)                                                                                     \
    X(EQ_BRANCH)                                                                                     \
    X(NE_BRANCH)                                                                                     \
    X(ASSIGN_P)         /* operand "=" */                                                            \
    X(ASSIGN_STMT)      /* "=" "=" "backspace": the end of an expression statement */                \
    X(ASSIGN_JUMPFALSE) /* "=" label "jumpfalse": the end of a condition */                          \
    X(AND_SHORTCUT)     /* "dup" label "jumpfalse": a zero left operand of "and" decides */          \
    X(OR_SHORTCUT)      /* "dup" "not" label "jumpfalse": a non-zero left operand of "or" decides */ \
    X(JUMP_TO)          /* label "jump" */                                                           \
    X(JUMPFALSE_TO)     /* label "jumpfalse" */                                                      \
    X(HALT)             /* after the last item: the run ends */                                      \
    /* Cell forms: a whole expression statement or condition compiled once into operations on */     \
    /* number cells (variables, constants and intermediate results) that know their operands' */     \
    /* types. Every one continues at its `next`; the branches go to `target` when their value is */  \
    /* 0. x and y are the operands (y the right one), z the result. */                               \
    X(II_MUL) /* z = x word y, both "int", in two-operand block order */                             \
    X(II_DIV)                                                                                        \
    X(II_SUB)                                                                                        \
    X(II_ADD)                                                                                        \
    X(II_LT)                                                                                         \
    X(II_GT)                                                                                         \
    X(II_LE)                                                                                         \
    X(II_GE)                                                                                         \
    X(II_EQ)                                                                                         \
    X(II_NE)                                                                                         \
    X(RR_MUL) /* the real form, both operands "real" (or constants, which hold both values) */       \
    X(RR_DIV)                                                                                        \
    X(RR_SUB)                                                                                        \
    X(RR_ADD)                                                                                        \
    X(RR_LT)                                                                                         \
    X(RR_GT)                                                                                         \
    X(RR_LE)                                                                                         \
    X(RR_GE)                                                                                         \
    X(RR_EQ)                                                                                         \
    X(RR_NE)                                                                                         \
    X(IR_MUL) /* the real form, x "int" */                                                           \
    X(IR_DIV)                                                                                        \
    X(IR_SUB)                                                                                        \
    X(IR_ADD)                                                                                        \
    X(IR_LT)                                                                                         \
    X(IR_GT)                                                                                         \
    X(IR_LE)                                                                                         \
    X(IR_GE)                                                                                         \
    X(IR_EQ)                                                                                         \
    X(IR_NE)                                                                                         \
    X(RI_MUL) /* the real form, y "int" */                                                           \
    X(RI_DIV)                                                                                        \
    X(RI_SUB)                                                                                        \
    X(RI_ADD)                                                                                        \
    X(RI_LT)                                                                                         \
    X(RI_GT)                                                                                         \
    X(RI_LE)                                                                                         \
    X(RI_GE)                                                                                         \
    X(RI_EQ)                                                                                         \
    X(RI_NE)                                                                                         \
    X(IIB_LT) /* a comparison that is only tested: to target when it does not hold */                \
    X(IIB_GT)                                                                                        \
    X(IIB_LE)                                                                                        \
    X(IIB_GE)                                                                                        \
    X(IIB_EQ)                                                                                        \
    X(IIB_NE)                                                                                        \
    X(RRB_LT)                                                                                        \
    X(RRB_GT)                                                                                        \
    X(RRB_LE)                                                                                        \
    X(RRB_GE)                                                                                        \
    X(RRB_EQ)                                                                                        \
    X(RRB_NE)                                                                                        \
    X(IRB_LT)                                                                                        \
    X(IRB_GT)                                                                                        \
    X(IRB_LE)                                                                                        \
    X(IRB_GE)                                                                                        \
    X(IRB_EQ)                                                                                        \
    X(IRB_NE)                                                                                        \
    X(RIB_LT)                                                                                        \
    X(RIB_GT)                                                                                        \
    X(RIB_LE)                                                                                        \
    X(RIB_GE)                                                                                        \
    X(RIB_EQ)                                                                                        \
    X(RIB_NE)                                                                                        \
    X(MOV_I) /* z = x, "int" */                                                                      \
    X(MOV_R) /* z = x, "real" */                                                                     \
    X(I2R)   /* z = x as a real */                                                                   \
    X(R2I)   /* z = x truncated to an int */                                                         \
    X(NEG_I) /* z = -x */                                                                            \
    X(NEG_R)                                                                                         \
    X(NOT_I) /* z = x == 0 */                                                                        \
    X(AND_I) /* z = x and y, y fetched only when x is not 0 */                                       \
    X(OR_I)  /* z = x or y, y fetched only when x is 0 */                                            \
    X(JZ)    /* to target when x is 0 */                                                             \
    X(JNZ)   /* to target when x is not 0 */                                                         \
    X(GOTO)  /* to next */                                                                           \
    /* The same cell forms with operands known to hold values (constants, intermediate */            \
    /* results, variables assigned before): nothing is checked when they are fetched. */             \
    X(SII_MUL)                                                                                       \
    X(SII_DIV)                                                                                       \
    X(SII_SUB)                                                                                       \
    X(SII_ADD)                                                                                       \
    X(SII_LT)                                                                                        \
    X(SII_GT)                                                                                        \
    X(SII_LE)                                                                                        \
    X(SII_GE)                                                                                        \
    X(SII_EQ)                                                                                        \
    X(SII_NE)                                                                                        \
    X(SRR_MUL)                                                                                       \
    X(SRR_DIV)                                                                                       \
    X(SRR_SUB)                                                                                       \
    X(SRR_ADD)                                                                                       \
    X(SRR_LT)                                                                                        \
    X(SRR_GT)                                                                                        \
    X(SRR_LE)                                                                                        \
    X(SRR_GE)                                                                                        \
    X(SRR_EQ)                                                                                        \
    X(SRR_NE)                                                                                        \
    X(SIR_MUL)                                                                                       \
    X(SIR_DIV)                                                                                       \
    X(SIR_SUB)                                                                                       \
    X(SIR_ADD)                                                                                       \
    X(SIR_LT)                                                                                        \
    X(SIR_GT)                                                                                        \
    X(SIR_LE)                                                                                        \
    X(SIR_GE)                                                                                        \
    X(SIR_EQ)                                                                                        \
    X(SIR_NE)                                                                                        \
    X(SRI_MUL)                                                                                       \
    X(SRI_DIV)                                                                                       \
    X(SRI_SUB)                                                                                       \
    X(SRI_ADD)                                                                                       \
    X(SRI_LT)                                                                                        \
    X(SRI_GT)                                                                                        \
    X(SRI_LE)                                                                                        \
    X(SRI_GE)                                                                                        \
    X(SRI_EQ)                                                                                        \
    X(SRI_NE)                                                                                        \
    X(SIIB_LT)                                                                                       \
    X(SIIB_GT)                                                                                       \
    X(SIIB_LE)                                                                                       \
    X(SIIB_GE)                                                                                       \
    X(SIIB_EQ)                                                                                       \
    X(SIIB_NE)                                                                                       \
    X(SRRB_LT)                                                                                       \
    X(SRRB_GT)                                                                                       \
    X(SRRB_LE)                                                                                       \
    X(SRRB_GE)                                                                                       \
    X(SRRB_EQ)                                                                                       \
    X(SRRB_NE)                                                                                       \
    X(SIRB_LT)                                                                                       \
    X(SIRB_GT)                                                                                       \
    X(SIRB_LE)                                                                                       \
    X(SIRB_GE)                                                                                       \
    X(SIRB_EQ)                                                                                       \
    X(SIRB_NE)                                                                                       \
    X(SRIB_LT)                                                                                       \
    X(SRIB_GT)                                                                                       \
    X(SRIB_LE)                                                                                       \
    X(SRIB_GE)                                                                                       \
    X(SRIB_EQ)                                                                                       \
    X(SRIB_NE)

enum class Op : std::uint8_t {
#define POLIZ_OP_ENUMERATOR(name) name,
    POLIZ_OPS(POLIZ_OP_ENUMERATOR)
#undef POLIZ_OP_ENUMERATOR
};

#define POLIZ_OP_COUNT(name) +1
inline constexpr int kOpCount = 0 POLIZ_OPS(POLIZ_OP_COUNT);
#undef POLIZ_OP_COUNT

constexpr bool isBinary(Op op) { return op >= Op::MUL && op <= Op::NE; }
constexpr int binaryIndex(Op op) { return static_cast<int>(op) - static_cast<int>(Op::MUL); }
constexpr Op withOperand(Op binary) {
    return static_cast<Op>(static_cast<int>(Op::MUL_P) + binaryIndex(binary));
}
constexpr Op withOperands(Op binary) {
    return static_cast<Op>(static_cast<int>(Op::MUL_PP) + binaryIndex(binary));
}
constexpr Op asStatement(Op binary) {
    return static_cast<Op>(static_cast<int>(Op::MUL_STMT) + binaryIndex(binary));
}
constexpr Op asCondition(Op binary) {
    return static_cast<Op>(static_cast<int>(Op::MUL_COND) + binaryIndex(binary));
}
constexpr Op asBranch(Op binary) {
    return static_cast<Op>(static_cast<int>(Op::MUL_BRANCH) + binaryIndex(binary));
}
constexpr bool isComparison(Op binary) { return binary >= Op::LT && binary <= Op::NE; }
// The cell forms of a two-operand word: form is one of II_MUL, RR_MUL, IR_MUL, RI_MUL.
constexpr Op cellForm(Op form, Op binary) {
    return static_cast<Op>(static_cast<int>(form) + binaryIndex(binary));
}
constexpr bool isCellComparison(Op op) {
    return op >= Op::II_MUL && op <= Op::RI_NE &&
           (static_cast<int>(op) - static_cast<int>(Op::II_MUL)) % 10 >= binaryIndex(Op::LT);
}
// The form of a cell operation (II_MUL .. RIB_NE) whose operands are known to hold values.
constexpr Op safeForm(Op op) {
    return static_cast<Op>(static_cast<int>(op) - static_cast<int>(Op::II_MUL) +
                           static_cast<int>(Op::SII_MUL));
}
constexpr bool hasSafeForm(Op op) { return op >= Op::II_MUL && op <= Op::RIB_NE; }
// The tested form of a comparison cell form (II_LT .. RI_NE).
constexpr Op testedForm(Op cellOp) {
    const int form = (static_cast<int>(cellOp) - static_cast<int>(Op::II_MUL)) / 10;
    const int cmp = (static_cast<int>(cellOp) - static_cast<int>(Op::II_MUL)) % 10 - binaryIndex(Op::LT);
    return static_cast<Op>(static_cast<int>(Op::IIB_LT) + form * 6 + cmp);
}

// The operation an operator word names; NOP for a word outside the vocabulary.
Op opOfWord(std::string_view word);
