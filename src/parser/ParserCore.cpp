// Parser set-up, the cursor and error helpers, the program frame, declarations with their
// constant initialisers, and the two single-operand rules: identifier and constant.
#include <cstdint>

#include "common/Errors.h"
#include "common/OwnStack.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "parser/Messages.h"
#include "parser/Parser.h"

Parser::Parser(Source source, Poliz& poliz, ScanTrail* trail)
    : s(std::move(source), poliz.store(), trail), curr(nullptr), poliz(&poliz) {
    pop();
}

// Recursive descent runs on a stack of its own, sized for the nesting bound, so that the bound
// and not the caller's stack limit decides how deep a program may nest.
bool Parser::go() {
    runOnOwnStack(kStackForNesting, [this] {
        parseProgram();
        return 0;
    });
    return true;
}

void Parser::syntaxError(const std::string& text) const { throw SyntaxError(text, s.getLine()); }

void Parser::semanticError(const std::string& text) const { throw SemanticError(text, s.getLine()); }

void Parser::unexpected(const char* prefix) const { syntaxError(prefix + curr->getString() + msg::kFound); }

void Parser::undeclared(const Ident* var) const {
    semanticError(msg::kUndeclared + var->getString() + msg::kNameEnd);
}

void Parser::expect(const char* word, const char* prefix) {
    if (!isCurr(word)) unexpected(prefix);
    pop();
}

// program -> "program" "{" declarations operators "}"
void Parser::parseProgram() {
    if (!isCurr("program")) syntaxError(msg::kBadProgramStart);
    pop();
    if (!isCurr("{")) syntaxError(msg::kBadProgramStart);
    pop();
    parseDeclarations();
    startUnit();  // the first statement
    parseOperators();
    // The closing "}" is current and stays unread: nothing after it belongs to the program.
}

// declarations -> { declaration ";" }
void Parser::parseDeclarations() {
    while (isCurr("int") || isCurr("real") || isCurr("string")) {
        parseDeclaration();
        expect(";", msg::kExpectSemicolon);
    }
}

// declaration -> type variable { "," variable }
void Parser::parseDeclaration() {
    parseType();
    parseVariable();
    while (isCurr(",")) {
        pop();
        parseVariable();
    }
}

// type -> "int" | "real" | "string"
void Parser::parseType() {
    currType = curr->getString();
    pop();
}

namespace {

std::int32_t withSign(std::int32_t value, bool minus) {
    // Through unsigned arithmetic, so that negating any 32-bit value is defined.
    return minus ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)) : value;
}

}  // namespace

// variable -> identifier [ "=" initialiser ]
// initialiser -> string-constant | [ "+" | "-" ] integer-constant | [ "+" | "-" ] real-constant
// The initialiser is applied now, during translation; nothing is appended.
void Parser::parseVariable() {
    if (curr->getKind() != IDENT) unexpected(msg::kExpectDeclaredName);
    auto* var = static_cast<Ident*>(curr);
    if (var->isDeclared()) semanticError(msg::kRedeclaration + var->getString() + msg::kNameEnd);
    var->declare(currType);
    pop();
    if (!isCurr("=")) return;
    pop();

    if (curr->getKind() == STRINGC && currType == kStringType) {
        var->assign(curr->getStringVal());
        pop();
        return;
    }
    bool minus = parseOptionalSign();
    if (curr->getKind() == NUMBER && (currType == kRealType || currType == kIntType)) {
        var->assign(withSign(static_cast<Number*>(curr)->getIntVal(), minus));
    } else if (curr->getKind() == REAL && currType == kRealType) {
        float value = static_cast<Real*>(curr)->getRealVal();
        var->assign(minus ? -value : value);
    } else {
        unexpected(msg::kExpectConstant);
    }
    pop();
}

// sign -> [ "+" | "-" ]   (before a numeric constant; true for a minus)
bool Parser::parseOptionalSign() {
    if (isCurr("+")) {
        pop();
        return false;
    }
    if (!isCurr("-")) return false;
    pop();
    return true;
}

// ident -> identifier   (a declared variable, appended as itself; used by `read`)
void Parser::parseIdent() {
    if (curr->getKind() != IDENT)
        syntaxError(msg::kExpectIdentifier + curr->getString() + msg::kFoundNoBlank);
    auto* var = static_cast<Ident*>(curr);
    if (!var->isDeclared()) undeclared(var);
    emit(var);
    pop();
}

// constant -> string-constant | [ "+" | "-" ] ( integer-constant | real-constant )
// A minus makes a new negated lexeme: the table's constant is shared by every occurrence of
// that number in the source and must keep its value.
Lex* Parser::parseConstant() {
    if (curr->getKind() == STRINGC) {
        Lex* constant = curr;
        emit(constant);
        pop();
        return constant;
    }
    bool minus = parseOptionalSign();
    Lex* constant = curr;
    if (constant->getKind() == NUMBER) {
        if (minus) {
            Number* negated = poliz->store().make<Number>(static_cast<Number*>(curr)->getIntVal());
            negated->neg();
            constant = negated;
        }
    } else if (constant->getKind() == REAL) {
        if (minus) {
            Real* negated = poliz->store().make<Real>(static_cast<Real*>(curr)->getRealVal());
            negated->neg();
            constant = negated;
        }
    } else {
        unexpected(msg::kExpectConstant);
    }
    emit(constant);
    pop();
    return constant;
}
