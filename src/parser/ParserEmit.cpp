// The parser's emission helpers: the only code that appends to or patches the POLIZ program,
// so that the grammar methods read as grammar.
#include "lexemes/Label.h"
#include "lexemes/Word.h"
#include "parser/Parser.h"

// Operator items are the scanner's single table entry for their word, so that the running
// program identifies them by word whatever lexeme the source spelt them with.
// The words are string literals, so each one's lexeme is remembered by the literal's address
// and the tables are searched once per literal rather than once per item.
Lex* Parser::tableWord(const char* word) const {
    for (const auto& [literal, lex] : wordCache)
        if (literal == word) return lex;
    Lex* lex = s.findDelim(word);
    if (lex == nullptr) lex = s.findKeyword(word);
    wordCache.emplace_back(word, lex);
    return lex;
}

int Parser::emitWord(const char* word) { return emit(tableWord(word)); }

int Parser::emitWord(const char* word, SourcePosition at) { return emit(tableWord(word), at); }

// Every expression stores its value into its own unnamed variable; the type is declared once
// the whole expression has been read.
Ident* Parser::emitTemporary() {
    Ident* tmp = poliz->store().make<Ident>(std::string(""));
    emit(tmp);
    return tmp;
}

// Until patched, a placeholder is a plain "empty": it must never survive translation.
int Parser::emitPlaceholder() { return emitWord("empty"); }

// Control enters code only at the start of a unit (see PolizFacts): at a marker, after a jump,
// and where a statement begins, which is always after the end of one.
int Parser::emitMarker() {
    startUnit();
    const int marker = emitWord("empty");
    startUnit();
    return marker;
}

int Parser::emitChainEnd() { return emitWord("empty"); }

void Parser::emitUnitEnd(const char* word) {
    emitWord(word);
    startUnit();
}

void Parser::emitUnitEnd(const char* word, SourcePosition at) {
    emitWord(word, at);
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
    emitUnitEnd("jump");
}

void Parser::emitDiscard() { emitUnitEnd("backspace"); }
