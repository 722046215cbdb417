// Keywords and delimiters: lexemes that are nothing but their word. In the translated program
// they are the operators, identified by that word alone.
#pragma once

#include "lexemes/Lex.h"

class Word : public Lex {
    std::string word;

protected:
    Word(KindOfLex kind, std::string w) : Lex(kind), word(std::move(w)) {}

public:
    bool isEqual(std::string_view text) const override { return text == word; }
    std::string getString() const override { return word; }
    using Lex::isEqual;

    const std::string& text() const { return word; }
};

class Keyword : public Word {
public:
    explicit Keyword(std::string s) : Word(KEYWORD, std::move(s)) {}
};

class Delim : public Word {
public:
    explicit Delim(std::string s) : Word(DELIM, std::move(s)) {}
};
