// The parser's emission helpers: the only code that appends to or patches the POLIZ program,
// so that the grammar methods read as grammar.
#include "lexemes/Label.h"
#include "lexemes/Word.h"
#include "parser/Parser.h"

// Operator items are the scanner's single table entry for their word, so that the running
// program identifies them by word whatever lexeme the source spelt them with. Each word's
// lexeme is looked up once and remembered.
Lex* Parser::tableWord(Operation op) const {
    Lex*& lex = wordLexemes[static_cast<std::size_t>(op)];
    if (lex == nullptr) {
        const std::string word(wordOf(op));
        lex = s.findDelim(word);
        if (lex == nullptr) lex = s.findKeyword(word);
    }
    return lex;
}

// The operator items the translator makes itself rather than taking from the tables.
Lex* Parser::newWord(Operation op) const { return poliz->store().make<Delim>(std::string(wordOf(op))); }

int Parser::emitWord(Operation op) { return emit(tableWord(op)); }

int Parser::emitWord(Operation op, SourcePosition at) { return emit(tableWord(op), at); }

// Every expression stores its value into its own unnamed variable; the type is declared once
// the whole expression has been read.
Ident* Parser::emitTemporary() {
    Ident* tmp = poliz->store().make<Ident>(std::string(""));
    emit(tmp);
    return tmp;
}

// Until patched, a placeholder is a plain "empty": it must never survive translation.
int Parser::emitPlaceholder() { return emitWord(Operation::EMPTY); }

// Control enters code only at the start of a unit (see PolizFacts): at a marker, after a jump,
// and where a statement begins, which is always after the end of one.
int Parser::emitMarker() {
    startUnit();
    const int marker = emitWord(Operation::EMPTY);
    startUnit();
    return marker;
}

int Parser::emitChainEnd() { return emitWord(Operation::EMPTY); }

void Parser::emitUnitEnd(Operation op) {
    emitWord(op);
    startUnit();
}

void Parser::emitUnitEnd(Operation op, SourcePosition at) {
    emitWord(op, at);
    startUnit();
}

void Parser::patch(int hole, int marker) { (*poliz)[hole] = poliz->store().make<Label>(marker); }

int Parser::patchToHere(int hole) {
    const int marker = emitMarker();
    patch(hole, marker);
    return marker;
}

// label(marker) "jump"
void Parser::emitJumpBack(int marker) {
    emit(poliz->store().make<Label>(marker));
    emitUnitEnd(Operation::JUMP);
}

void Parser::emitDiscard() { emitUnitEnd(Operation::BACKSPACE); }
