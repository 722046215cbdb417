// The translator: one-pass recursive descent over the scanner's lexemes that checks syntax and
// static types and appends the POLIZ program as it reads. The first error ends the run.
#pragma once

#include <set>
#include <stack>
#include <string>

#include "lexemes/Ident.h"
#include "lexemes/Lex.h"
#include "poliz/Poliz.h"
#include "scanner/Scanner.h"

class Parser {
    Scanner s;
    Lex* curr;  // the lookahead: the first lexeme not yet consumed
    std::string currType;
    Poliz* poliz;
    std::stack<int> cycbeg;  // continue targets of the enclosing loops, innermost on top
    bool lval = false;       // the expression so far at this assignment level is a bare variable

    void pop() { curr = s.getLex(); }

    void parseProgram();

public:
    Parser(const char* fileName, Poliz& poliz);
    bool go();
};
