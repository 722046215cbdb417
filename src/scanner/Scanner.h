// The scanner: turns the source text into lexemes, one per getLex call, with one character of
// lookahead. Its six tables intern every lexeme it makes, so one name is one Ident object and
// the identifier table doubles as the symbol table.
#pragma once

#include <span>
#include <string>

#include "lexemes/Buffer.h"
#include "lexemes/Lex.h"
#include "lexemes/LexStore.h"
#include "scanner/FixedWords.h"
#include "scanner/HashMapLex.h"
#include "scanner/ScanTrail.h"
#include "scanner/Source.h"

// The language's keywords, as the keyword table receives them; for tools that recognise them
// in other text (a string constant, a word spelt in capitals).
std::span<const char* const> languageKeywords();

class Scanner {
    bool endNoted = false;
    // The read after a one-character delimiter waits for the next request: after the program's
    // closing brace none comes, so a source that stays open is not waited on.
    bool popDeferred = false;
    char curr = ' ';  // read but not yet used; a blank before the first read
    int currLine = 1;
    int currColumn = 0;  // of curr on its line; 0 before the first read
    Source source_;      // beside the fields above: every character read touches them all
    LexStore& unlisted;  // owns the constants that their table leaves out
    ScanTrail ownTrail;
    ScanTrail& trail;  // ownTrail, or the caller's
    const Lex* openBrace = nullptr;
    const Lex* closeBrace = nullptr;

    HashMapLex identTab{64};
    HashMapLex numberTab{64, KeyForm::INT};
    HashMapLex realTab{64, KeyForm::REAL};
    HashMapLex stringTab{32};
    HashMapLex keywordTab{64};
    HashMapLex delimTab{64};
    // The same lexemes as the two tables above, found faster; filled once they are complete.
    FixedWords keywords;
    FixedWords delims;

    void pop();
    void deferPop();
    // Called on a line feed in curr, before it is skipped or taken.
    void newLine() {
        ++currLine;
        currColumn = 0;
    }
    SourcePosition here() const { return {currLine, currColumn}; }
    Lex* scanLex();
    void noteReturned(const Lex* lex);
    void take(Buffer& text) {
        text.add(curr);
        pop();
    }
    // Returns the table's lexeme for the text, making and storing it first when it is new.
    template <class LexClass>
    Lex* intern(HashMapLex& table, const Buffer& text);

    Lex* scanWord();
    Lex* scanNumber();
    Lex* scanString();
    void skipComment();

    bool isJunk() const { return curr == ' ' || curr == '\t' || curr == '\n'; }
    bool isEnter() const { return curr == '\n'; }
    bool isAlpha() const { return (curr >= 'a' && curr <= 'z') || (curr >= 'A' && curr <= 'Z'); }
    bool isNum() const { return curr >= '0' && curr <= '9'; }
    bool isAlphaOrNum() const { return isAlpha() || isNum(); }
    bool isDelimFst() const { return curr == '<' || curr == '>' || curr == '='; }
    bool isEq() const { return curr == '='; }
    bool isExclam() const { return curr == '!'; }
    bool isSlash() const { return curr == '/'; }
    bool isAst() const { return curr == '*'; }
    bool isQuote() const { return curr == '"'; }
    bool isDot() const { return curr == '.'; }

public:
    // Reads the first character of `source`. Positions go to `trail` when one is given, so that
    // they outlive the scanner.
    Scanner(Source source, LexStore& unlisted, ScanTrail* trail = nullptr);
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // The source, for what follows the program on it: after the closing brace the scanner has
    // read nothing more.
    Source& source() { return source_; }

    // The next lexeme, never null; throws US, USAfter or UEOF.
    Lex* getLex();
    // The line on which the last returned lexeme ends.
    int getLine() const { return currLine; }
    // Where the last returned lexeme starts, and the rest of the scanner's positions.
    SourcePosition lexemeStart() const { return trail.lexemeStart; }
    const ScanTrail& positions() const { return trail; }

    Lex* findKeyword(const std::string& word) const { return keywordTab[Buffer(word)]; }
    Lex* findDelim(const std::string& word) const { return delimTab[Buffer(word)]; }
};
