// The translator: one-pass recursive descent over the scanner's lexemes that checks syntax and
// static types and appends the POLIZ program as it reads. The first error ends the run.
// The class is split by grammar area: ParserCore (program, declarations, operands),
// ParserExpressions, ParserStatements, ParserCase, and ParserEmit (appending and patching).
#pragma once

#include <array>
#include <set>
#include <stack>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lexemes/Ident.h"
#include "lexemes/Lex.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "parser/NestingGuard.h"
#include "poliz/Poliz.h"
#include "runtime/Vocabulary.h"
#include "scanner/Scanner.h"

class Parser {
    Scanner s;
    Lex* curr;  // the lookahead: the first lexeme not yet consumed
    // curr's text, when its text alone decides the word tests (a keyword or sign, a string
    // constant, a name): every operand meets a score of them on its way down the expression
    // levels, and a virtual call and a memcmp each were a tenth of translation's time. A number
    // is equal to a word by value, so its tests stay its own.
    std::string_view currText;
    bool currByText = false;
    SourcePosition currAt;  // where curr starts
    std::string currType;   // the type word of the declaration being read
    Poliz* poliz;
    std::stack<int> cycbeg;  // continue targets of the enclosing loops, innermost on top
    bool lval = false;       // the expression so far at this assignment level is a bare variable
    int depth = 0;           // open nesting levels, bounded by NestingGuard
    int statementLine = 0;   // where the innermost statement being read starts, for listings
    mutable std::array<Lex*, kVocabularySize> wordLexemes{};  // see tableWord

    // Cursor. pop() is the only advance; words are compared by text, whatever the lexeme's kind.
    void pop() {
        curr = s.getLex();
        currAt = s.lexemeStart();
        noteCurrText();
    }
    void noteCurrText() {
        currByText = true;
        switch (curr->getKind()) {
            case KEYWORD:
            case DELIM: currText = static_cast<const Word*>(curr)->text(); break;
            case STRINGC: currText = static_cast<const StringC*>(curr)->text(); break;
            case IDENT: currText = static_cast<const Ident*>(curr)->nameText(); break;
            default: currByText = false;
        }
    }
    bool isCurr(std::string_view word) const {
        if (!currByText) return curr->isEqual(word);
        // A few bytes: a loop the compiler unrolls for each word rather than a call.
        if (currText.size() != word.size()) return false;
        for (std::size_t k = 0; k < word.size(); ++k)
            if (currText[k] != word[k]) return false;
        return true;
    }
    // Consumes `word`, or throws SyntaxError prefix + text + "' found!".
    void expect(const char* word, const char* prefix);
    NestingGuard enterLevel() { return NestingGuard(depth, s.getLine()); }

    // Errors, thrown with the scanner's current line.
    [[noreturn]] void syntaxError(const std::string& text) const;
    [[noreturn]] void semanticError(const std::string& text) const;
    // SyntaxError prefix + text of the current lexeme + "' found!".
    [[noreturn]] void unexpected(const char* prefix) const;
    [[noreturn]] void undeclared(const Ident* var) const;

    // Program, declarations and single operands (ParserCore.cpp).
    void parseProgram();
    void parseDeclarations();
    void parseDeclaration();
    void parseType();
    void parseVariable();
    void parseIdent();
    Lex* parseConstant();
    bool parseOptionalSign();

    // Expressions (ParserExpressions.cpp); each level returns the type name of its value.
    Ident* parseExpression();
    std::string parseDisjunction();
    std::string parseConjunction();
    // The shared short-circuit chain of "or" and "and".
    std::string parseLogicChain(const char* word, Operation op, std::string (Parser::*operand)(), bool negate,
                                const char* message);
    std::string parseComparison();
    std::string parseSum();
    std::string parseProduct();
    std::string parseUnary();
    std::string parseNot();
    std::string parseSign(bool minus);
    std::string parseParenthesised();
    std::string parseOperandVariable();

    // Statements (ParserStatements.cpp).
    void parseOperators();
    void parseOperator();
    void parseStatementForm();  // the statement forms, chosen by the current word
    void parseComplexOperator();
    void parseIf();
    void parseWhile();
    void parseFor();
    void parseCase();
    void parseRead();
    void parseWrite();
    void parseContinue();
    void parseExpressionStatement();

    // Case variants (ParserCase.cpp); Value is int, float or std::string after the selector.
    void parseVariantList(Ident* expr);
    template <class Value>
    int parseVariants(Ident* expr, std::vector<int>& afterStatements);
    template <class Value>
    int parseVariant(std::set<Value>& prev, Ident* expr, int addr, std::vector<int>& afterStatements);

    // Emission (ParserEmit.cpp): the only members that append to or patch the POLIZ program.
    int emit(Lex* item) { return poliz->push(item, currAt); }
    int emit(Lex* item, SourcePosition at) { return poliz->push(item, at); }
    int emitWord(Operation op);  // the table's keyword or delimiter for the operation's word
    int emitWord(Operation op, SourcePosition at);
    Lex* tableWord(Operation op) const;
    Lex* newWord(Operation op) const;
    Ident* emitTemporary();
    int emitPlaceholder();           // an "empty" where a label will go; returns its address
    int emitMarker();                // an "empty" where a jump lands, a unit of its own; returns its address
    int emitChainEnd();              // the marker where a short-circuit chain's jumps land, inside its unit
    void emitUnitEnd(Operation op);  // "jump", "jumpfalse", "read" or "write": a unit ends
    void emitUnitEnd(Operation op, SourcePosition at);
    void startUnit() { poliz->facts().startUnit(poliz->size()); }
    void patch(int hole, int marker);
    int patchToHere(int hole);  // a marker here, and a label to it written into the hole
    void emitJumpBack(int marker);
    void emitDiscard();  // drops the value an expression left on the operand stack

public:
    // Reads the first lexeme of `source`. With a trail, the scanner's positions stay readable
    // after a failed translation.
    Parser(Source source, Poliz& poliz, ScanTrail* trail = nullptr);
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Translates the whole program; every failure is thrown instead of returned.
    bool go();
    // The source being translated; once go() has returned, positioned after the closing brace.
    Source& source() { return s.source(); }
};
