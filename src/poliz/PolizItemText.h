// How POLIZ items read as text in listings and traces: variables by name, temporaries as $t1,
// $t2, ... in order of first appearance, labels as ->N, string constants quoted.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "poliz/Poliz.h"

class PolizItemText {
    std::unordered_map<const Lex*, int> temporaries;

public:
    // How a string shows between its quotes: as it stands, or with line breaks, tabs, other
    // control characters and backslashes escaped, so that one item keeps to one line.
    enum class Strings { RAW, ESCAPED };

    // Numbers the temporaries of the whole program up front, so that a trace, which meets
    // them in execution order, names them as the listing does.
    explicit PolizItemText(const Poliz& poliz);

    // A variable's name; a temporary's $tN ("$t?" for one the program does not contain).
    std::string variableName(const Lex* variable) const;
    std::string text(const Lex* item, Strings strings = Strings::RAW) const;

    // "variable", "constant", "label" or "operator": what executing the item does.
    static const char* kindName(const Lex* item);
};

// `text` between double quotes, escaped as PolizItemText::Strings::ESCAPED describes.
std::string quotedEscaped(std::string_view text);
