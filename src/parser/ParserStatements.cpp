// Statements: the statement list, each statement form with its checks, and the jump layouts of
// the control statements. In the layouts, E is an expression's code, S a statement's, [x] a
// marker at address x and L(x) a label holding x.
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Word.h"
#include "parser/Messages.h"
#include "parser/Parser.h"

// operators -> { operator }   (up to the "}" that closes the enclosing block, left unread)
void Parser::parseOperators() {
    while (!isCurr("}")) parseOperator();
}

// operator -> "}" (empty) | if | while | for | case | read | write | continue | "{" operators "}"
//           | expression ";"
// Every nested statement comes back here, so this one guard counts statement nesting.
// Items are filed under the line where their statement starts; the jumps an enclosing
// statement appends after a nested one go back under the enclosing statement's line.
void Parser::parseOperator() {
    NestingGuard guard = enterLevel();
    int outerLine = statementLine;
    statementLine = s.getLine();
    poliz->setSourceLine(statementLine);
    parseStatementForm();
    statementLine = outerLine;
    poliz->setSourceLine(outerLine);
}

void Parser::parseStatementForm() {
    if (isCurr("}")) return;  // an empty statement; the "}" belongs to the enclosing list
    if (isCurr("if")) return parseIf();
    if (isCurr("while")) return parseWhile();
    if (isCurr("for")) return parseFor();
    if (isCurr("case")) return parseCase();
    if (isCurr("read")) return parseRead();
    if (isCurr("write")) return parseWrite();
    if (isCurr("continue")) return parseContinue();
    if (isCurr("{")) return parseComplexOperator();
    parseExpressionStatement();
}

// complex -> "{" operators "}"   (the braces append nothing)
void Parser::parseComplexOperator() {
    if (!isCurr("{")) return;
    pop();
    parseOperators();
    expect("}", msg::kExpectCloseBrace);
}

// if -> "if" "(" expression ")" operator "else" operator
// E L(a) "jumpfalse" S1 L(b) "jump" [a] S2 [b]
void Parser::parseIf() {
    pop();
    expect("(", msg::kExpectOpenParen);
    Ident* res = parseExpression();
    if (!res->isType(kIntType)) semanticError(msg::kIfNeedsInt);
    expect(")", msg::kExpectCloseParen);
    int pElse = emitPlaceholder();
    emitUnitEnd(Operation::JUMPFALSE);
    parseOperator();
    int pEnd = emitPlaceholder();
    emitUnitEnd(Operation::JUMP);
    patchToHere(pElse);
    expect("else", msg::kExpectElse);
    parseOperator();
    patchToHere(pEnd);
}

// while -> "while" "(" expression ")" operator
// [h] E L(x) "jumpfalse" S L(h) "jump" [x]      (continue: L(h) "jump")
void Parser::parseWhile() {
    pop();
    expect("(", msg::kExpectOpenParen);
    int lBeg = emitMarker();
    Ident* res = parseExpression();
    if (!res->isType(kIntType)) semanticError(msg::kWhileNeedsInt);
    expect(")", msg::kExpectCloseParen);
    int pEnd = emitPlaceholder();
    emitUnitEnd(Operation::JUMPFALSE);
    cycbeg.push(lBeg);
    parseOperator();
    cycbeg.pop();
    emitJumpBack(lBeg);
    patchToHere(pEnd);
}

// for -> "for" "(" [ expression ] ";" [ expression ] ";" [ expression ] ")" operator
// E1 "backspace" [h] E2 L(x) "jumpfalse" L(b) "jump" [t] E3 "backspace" L(h) "jump"
//   [b] S L(t) "jump" [x]
// The condition is tested first; when it holds, control jumps over the step to the body, and
// after the body (or a continue: L(t) "jump") runs the step and returns to the condition.
// Without a condition a new 1 stands in for E2. The initial and step values are discarded
// where they are made, so that a long loop does not pile them up on the operand stack.
void Parser::parseFor() {
    pop();
    expect("(", msg::kExpectOpenParen);
    if (!isCurr(";")) {
        parseExpression();
        emitDiscard();
    }
    expect(";", msg::kExpectSemicolon);
    int lBeg = emitMarker();
    Ident* res = nullptr;
    if (!isCurr(";"))
        res = parseExpression();
    else
        emit(poliz->store().make<Number>(1));
    expect(";", msg::kExpectSemicolon);
    if (res != nullptr && !res->isType(kIntType)) semanticError(msg::kForNeedsInt);
    int pEnd = emitPlaceholder();
    emitUnitEnd(Operation::JUMPFALSE);
    int pOp = emitPlaceholder();
    emitUnitEnd(Operation::JUMP);
    int lInc = emitMarker();
    if (!isCurr(")")) {
        parseExpression();
        emitDiscard();
    }
    expect(")", msg::kExpectCloseParen);
    emitJumpBack(lBeg);
    patchToHere(pOp);
    cycbeg.push(lInc);
    parseOperator();
    cycbeg.pop();
    emitJumpBack(lInc);
    patchToHere(pEnd);
}

// case -> "case" "(" expression ")" "of" variants "end" ";"
// E "backspace" variants...: the selector's value stays in its temporary, which every label
// test appends afresh, so the copy E leaves on the stack is dropped at once.
void Parser::parseCase() {
    pop();
    expect("(", msg::kExpectOpenParen);
    Ident* res = parseExpression();
    emitDiscard();
    expect(")", msg::kExpectCloseParen);
    expect("of", msg::kExpectOf);
    parseVariantList(res);
    expect("end", msg::kExpectEnd);
    expect(";", msg::kExpectSemicolon);
}

// read -> "read" "(" identifier ")" ";"
// v "read"
void Parser::parseRead() {
    const SourcePosition at = currAt;
    pop();
    expect("(", msg::kExpectOpenParen);
    parseIdent();
    expect(")", msg::kExpectCloseParen);
    expect(";", msg::kExpectSemicolon);
    emitUnitEnd(Operation::READ, at);
}

// write -> "write" "(" expression { "," expression } ")" ";"
// E1 ... En n "write"
void Parser::parseWrite() {
    const SourcePosition at = currAt;
    pop();
    expect("(", msg::kExpectOpenParen);
    parseExpression();
    int num = 1;
    while (isCurr(",")) {
        pop();
        parseExpression();
        ++num;
    }
    expect(")", msg::kExpectCloseParen);
    expect(";", msg::kExpectSemicolon);
    emit(poliz->store().make<Number>(num), at);
    emitUnitEnd(Operation::WRITE, at);
}

// continue -> "continue" ";"
// L(innermost loop's continue marker) "jump"
void Parser::parseContinue() {
    pop();
    if (cycbeg.empty()) semanticError(msg::kContinueOutsideLoop);
    emit(poliz->store().make<Label>(cycbeg.top()));
    emit(newWord(Operation::JUMP));
    startUnit();
    expect(";", msg::kExpectSemicolon);
}

// operator -> expression ";"
// E "backspace": nothing uses the value, so it is dropped where it is made.
void Parser::parseExpressionStatement() {
    parseExpression();
    emitDiscard();
    expect(";", msg::kExpectSemicolon);
}
