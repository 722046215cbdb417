// Parser set-up and the program frame.
#include "parser/Parser.h"

#include "driver/Errors.h"

Parser::Parser(const char* fileName, Poliz& poliz) : s(fileName, poliz.store()), curr(nullptr), poliz(&poliz) {
    pop();
}

bool Parser::go() {
    parseProgram();
    return true;
}

// program -> "program" "{" declarations operators "}"
void Parser::parseProgram() {
    if (!curr->isEqual("program")) throw SyntaxError("Syntax error after 'program'!", s.getLine());
    pop();
    if (!curr->isEqual("{")) throw SyntaxError("Syntax error after 'program'!", s.getLine());
    pop();
    if (!curr->isEqual("}")) throw SyntaxError("Constant is expexted but '" + curr->getString() + "' found!", s.getLine());
}
