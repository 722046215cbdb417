// A string constant: the characters between the quotes.
#pragma once

#include "lexemes/Lex.h"

class StringC : public Lex, public SmthString {
    std::string word;

public:
    explicit StringC(std::string s) : Lex(STRINGC), word(std::move(s)) { setType(kStringType); }

    bool isEqual(std::string_view text) const override { return text == word; }
    std::string getString() const override { return word; }
    std::string getStringVal() const override { return word; }
    using Lex::isEqual;

    const std::string& text() const { return word; }
};
