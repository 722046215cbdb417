// Expressions: the precedence levels from assignment down to prefix operators and operands,
// their static type checks, and the short-circuit chains of "or" and "and".
// Every level returns the type name ("int", "real" or "string") of the value its code leaves
// on the operand stack; `lval` tells whether what was read so far may stand left of "=".
#include <algorithm>
#include <iterator>
#include <vector>

#include "lexemes/Word.h"
#include "parser/Messages.h"
#include "parser/Parser.h"

namespace {

bool isString(const std::string& type) { return type == kStringType; }
bool isNumeric(const std::string& type) { return type == kIntType || type == kRealType; }

}  // namespace

// expression -> disjunction { "=" disjunction }
// Code: tmp target rhs1 "=" rhs2 "=" ... "=". Each "=" leaves its target on the stack, so a
// chain stores every right-hand side in turn into the leftmost variable; the final "=" copies
// it into the expression's temporary, which is what the expression leaves behind.
Ident* Parser::parseExpression() {
    const SourcePosition start = currAt;
    Ident* tmp = emitTemporary();
    lval = true;
    std::string res = parseDisjunction();  // with "=", the type of the leftmost variable
    while (isCurr("=")) {
        if (!lval) semanticError(msg::kAssignToRvalue);
        Lex* sgn = tableWord(Operation::ASSIGN);
        const SourcePosition at = currAt;
        pop();
        lval = true;
        std::string t = parseDisjunction();
        if (isString(res) != isString(t)) semanticError(msg::kStringToNumber);
        emit(sgn, at);
    }
    tmp->declare(res);
    emitWord(Operation::ASSIGN, start);
    return tmp;
}

// disjunction -> conjunction { "or" conjunction }
std::string Parser::parseDisjunction() {
    return parseLogicChain("or", Operation::OR, &Parser::parseConjunction, true, msg::kNonIntDisjunction);
}

// conjunction -> comparison { "and" comparison }
std::string Parser::parseConjunction() {
    return parseLogicChain("and", Operation::AND, &Parser::parseComparison, false, msg::kNonIntConjunction);
}

// The left operand decides alone when it is non-zero for "or" (negate) or zero for "and"; it
// then jumps to the end and stays on the stack as the chain's value, with its own value:
//   "or":  A "dup" "not" L(x) "jumpfalse" B "or" "dup" "not" L(x) "jumpfalse" C "or" [x]
//   "and": A "dup" L(x) "jumpfalse" B "and" ... [x]
// A lone operand is neither checked nor changed.
std::string Parser::parseLogicChain(const char* word, Operation op, std::string (Parser::*operand)(),
                                    bool negate, const char* message) {
    std::string res = (this->*operand)();
    if (!isCurr(word)) return res;
    lval = false;
    std::vector<int> ends;  // placeholders of the jumps to the end marker
    while (isCurr(word)) {
        Lex* sgn = tableWord(op);
        const SourcePosition at = currAt;
        pop();
        emitWord(Operation::DUP, at);
        if (negate) emitWord(Operation::NOT, at);
        ends.push_back(emitPlaceholder());
        emitWord(Operation::JUMPFALSE, at);
        if (res != kIntType) semanticError(message);
        res = (this->*operand)();
        emit(sgn, at);
    }
    if (res != kIntType) semanticError(message);
    int end = emitChainEnd();
    for (int hole : ends) patch(hole, end);
    return res;
}

// comparison -> sum [ ( ">" | "<" | ">=" | "<=" | "==" | "!=" ) sum ]
// A second comparison is left for the caller, which then fails on it.
std::string Parser::parseComparison() {
    std::string s1 = parseSum();
    static constexpr Operation kComparisons[] = {Operation::GT, Operation::LT, Operation::GE,
                                                 Operation::LE, Operation::EQ, Operation::NE};
    const Operation* op = std::find_if(std::begin(kComparisons), std::end(kComparisons),
                                       [this](Operation c) { return isCurr(wordOf(c)); });
    if (op == std::end(kComparisons)) return s1;
    lval = false;
    Lex* sgn = tableWord(*op);
    const SourcePosition at = currAt;
    pop();
    std::string s2 = parseSum();
    emit(sgn, at);
    if (isString(s1) != isString(s2)) semanticError(msg::kStringVersusNumber);
    return kIntType;
}

// sum -> product { ( "+" | "-" ) product }
// A sum that starts with a string is a concatenation: strings only, joined by "+". Every
// operand but the last is checked against the operator after it, as soon as that operator has
// been read; the last against the operator before it, once it has been read.
std::string Parser::parseSum() {
    std::string res = parseProduct();
    if (!isCurr("+") && !isCurr("-")) return res;
    std::string unares = res;  // the operand being checked
    lval = false;
    auto check = [&](const std::string& u, bool plus) {
        if (isString(u) && (!isString(res) || !plus)) semanticError(msg::kStringInSum);
        if (isNumeric(u) && isString(res)) semanticError(msg::kNumberInConcatenation);
        if (u == kRealType) res = kRealType;
    };
    bool pplus = true;
    while (isCurr("+") || isCurr("-")) {
        bool plus = isCurr("+");
        Lex* sgn = tableWord(plus ? Operation::ADD : Operation::SUB);
        const SourcePosition at = currAt;
        pop();
        check(unares, plus);
        unares = parseProduct();
        emit(sgn, at);
        pplus = plus;
    }
    check(unares, pplus);
    return res;
}

// product -> unary { ( "*" | "/" ) unary }
// Operands are checked in the same order as in a sum; "int" / "int" stays "int".
std::string Parser::parseProduct() {
    std::string res = parseUnary();
    if (!isCurr("*") && !isCurr("/")) return res;
    std::string unares = res;
    lval = false;
    auto check = [&](const std::string& u) {
        if (isString(u)) semanticError(msg::kStringInProduct);
        if (u == kRealType) res = kRealType;
    };
    while (isCurr("*") || isCurr("/")) {
        Lex* sgn = tableWord(isCurr("*") ? Operation::MUL : Operation::DIV);
        const SourcePosition at = currAt;
        pop();
        check(unares);
        unares = parseUnary();
        emit(sgn, at);
    }
    check(unares);
    return res;
}

// unary -> "not" unary | "+" unary | "-" unary | "(" expression ")" | identifier | constant
// Every recursion of an expression into itself, through a prefix operator or a parenthesis,
// passes here: one guarded level per source level. Each branch lives in its own method so
// that this frame, which every level of nesting keeps on the stack, stays small.
std::string Parser::parseUnary() {
    NestingGuard guard = enterLevel();
    if (isCurr("not")) return parseNot();
    if (isCurr("+")) return parseSign(false);
    if (isCurr("-")) return parseSign(true);
    if (isCurr("(")) return parseParenthesised();
    if (curr->getKind() == IDENT) return parseOperandVariable();
    lval = false;
    Lex* q = parseConstant();
    if (q->isType(kIntType)) return kIntType;
    if (q->isType(kRealType)) return kRealType;
    return kStringType;
}

// "not" unary
std::string Parser::parseNot() {
    Lex* sgn = tableWord(Operation::NOT);
    const SourcePosition at = currAt;
    lval = false;
    pop();
    if (parseUnary() != kIntType) semanticError(msg::kNotNeedsInt);
    emit(sgn, at);
    return kIntType;
}

// ( "+" | "-" ) unary   -- a plus appends nothing, a minus a new "~"
std::string Parser::parseSign(bool minus) {
    const SourcePosition at = currAt;
    pop();
    lval = false;
    std::string t = parseUnary();
    if (!isNumeric(t)) semanticError(minus ? msg::kMinusNeedsNumber : msg::kPlusNeedsNumber);
    if (minus) emit(newWord(Operation::NEG), at);
    return t;
}

// "(" expression ")"   -- the inner expression's temporary is the operand
std::string Parser::parseParenthesised() {
    pop();
    Ident* res = parseExpression();
    if (!isCurr(")")) unexpected(msg::kExpectOperandParen);
    pop();
    lval = false;
    return res->getType();
}

// identifier   -- a bare variable leaves lval as it was
std::string Parser::parseOperandVariable() {
    auto* var = static_cast<Ident*>(curr);
    if (!var->isDeclared()) undeclared(var);
    emit(var);
    pop();
    return var->getType();
}
