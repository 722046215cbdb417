// Lexical analysis: character classes, comments, numbers, strings and two-character operators.
#include "scanner/Scanner.h"

#include "common/Errors.h"
#include "lexemes/Ident.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "runtime/Vocabulary.h"

namespace {

// The source's signs. The delimiter table holds them, then the words of the POLIZ vocabulary
// that the source has no sign or keyword for ("jump", "dup", "~", ...).
const char* const kDelimWords[] = {"{", "}", ",", ";", ":", "(",  ")",  "=",  "+",
                                   "-", "*", "/", "<", ">", "<=", ">=", "==", "!="};

const char* const kKeywordWords[] = {"program", "int",      "real", "string", "not", "and",
                                     "or",      "if",       "else", "case",   "of",  "while",
                                     "for",     "continue", "read", "write",  "end"};

}  // namespace

std::span<const char* const> languageKeywords() { return kKeywordWords; }

Scanner::Scanner(Source source, LexStore& unlisted, ScanTrail* given)
    : source_(std::move(source)), unlisted(unlisted), trail(given != nullptr ? *given : ownTrail) {
    // Each word once, so that every lexeme indexed is the one its table keeps.
    for (const char* word : kDelimWords) delims.add(static_cast<Word*>(delimTab.tryToAdd(new Delim(word))));
    for (const char* word : kKeywordWords)
        keywords.add(static_cast<Word*>(keywordTab.tryToAdd(new Keyword(word))));
    for (const VocabularyWord& entry : kVocabulary) {
        const std::string word(entry.word);
        if (findDelim(word) == nullptr && findKeyword(word) == nullptr)
            delims.add(static_cast<Word*>(delimTab.tryToAdd(new Delim(word))));
    }
    openBrace = findDelim("{");
    closeBrace = findDelim("}");
    if (trail.keepText) source_.keepText();
    pop();
}

// The read that meets the end of the text leaves curr as it was; the read after it fails.
void Scanner::pop() {
    if (endNoted) throw UEOF();
    ++currColumn;  // at the end, the position just after the last character
    if (!source_.get(curr)) endNoted = true;
}

// pop() as far as the end of the text is concerned; the character itself is read when the
// next lexeme is asked for.
void Scanner::deferPop() {
    if (endNoted) throw UEOF();
    popDeferred = true;
}

template <class LexClass>
Lex* Scanner::intern(HashMapLex& table, const Buffer& text) {
    if (Lex* found = table[text]) return found;
    const int storedBefore = table.stored();
    Lex* made = table.tryToAdd(new LexClass(text));
    // A number written unusually (05, 1.50) can miss its equal in the table; the table then
    // leaves the new lexeme out, and the run-wide store keeps it alive instead.
    if (table.stored() == storedBefore) unlisted.adopt(made);
    return made;
}

Lex* Scanner::getLex() {
    if (popDeferred) {
        popDeferred = false;
        pop();
    }
    trail.previousEnd = trail.lastEnd;
    Lex* lex = scanLex();
    noteReturned(lex);
    return lex;
}

// The trail's upkeep: a few stores per lexeme, and the history only when it was asked for.
void Scanner::noteReturned(const Lex* lex) {
    trail.lastEnd = here();
    if (popDeferred) ++trail.lastEnd.column;  // curr is still the delimiter's own character
    ++trail.lexemes;
    if (lex == openBrace)
        trail.openBraces.push_back(trail.lexemeStart);
    else if (lex == closeBrace && !trail.openBraces.empty())
        trail.openBraces.pop_back();
    if (trail.keepHistory) trail.history.push_back({lex->getKind(), trail.lexemeStart, trail.lastEnd});
}

Lex* Scanner::scanLex() {
    for (;;) {  // a comment restarts the search for a lexeme
        while (isJunk()) {
            if (isEnter()) newLine();
            pop();
        }
        trail.lexemeStart = here();
        if (isAlpha()) return scanWord();
        if (isNum()) return scanNumber();
        if (isQuote()) return scanString();

        Buffer text;
        if (isDelimFst()) {
            take(text);
            if (isEq()) take(text);
            return delims.find(text.text());
        }
        if (isExclam()) {
            take(text);
            if (!isEq()) throw USAfter("!", currLine);
            take(text);
            return delims.find(text.text());
        }
        if (isSlash()) {
            take(text);
            if (!isAst()) return delims.find(text.text());
            trail.open = ScanTrail::Open::COMMENT;
            trail.openedAt = trail.lexemeStart;
            skipComment();
            trail.open = ScanTrail::Open::NOTHING;
            continue;
        }
        text.add(curr);
        Lex* delim = delims.find(text.text());
        if (delim == nullptr) throw US(text.getString(), currLine);
        deferPop();
        return delim;
    }
}

Lex* Scanner::scanWord() {
    Buffer text;
    while (isAlphaOrNum()) take(text);
    if (Lex* keyword = keywords.find(text.text())) return keyword;
    return intern<Ident>(identTab, text);
}

Lex* Scanner::scanNumber() {
    Buffer text;
    bool dotTaken = false;
    while (isNum() || (isDot() && !dotTaken)) {
        if (isDot()) dotTaken = true;
        take(text);
    }
    return dotTaken ? intern<Real>(realTab, text) : intern<Number>(numberTab, text);
}

Lex* Scanner::scanString() {
    Buffer text;
    trail.open = ScanTrail::Open::STRING;
    trail.openedAt = here();
    pop();
    while (!isQuote()) {
        if (isEnter()) newLine();
        take(text);
    }
    pop();
    trail.open = ScanTrail::Open::NOTHING;
    if (Lex* found = stringTab[text]) return found;
    return stringTab.tryToAdd(new StringC(text.getString()));
}

// Called with curr on the '*' that opens the comment; that '*' cannot also close it.
void Scanner::skipComment() {
    pop();
    for (;;) {
        if (isAst()) {
            pop();
            if (isSlash()) {
                pop();
                return;
            }
            continue;
        }
        if (isEnter()) newLine();
        pop();
    }
}
