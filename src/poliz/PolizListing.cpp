// The listing of a POLIZ program (see PolizListing.h).
#include "poliz/PolizListing.h"

#include "poliz/PolizItemText.h"

std::string listing(const Poliz& poliz) {
    const PolizItemText items(poliz);
    std::string text;
    for (int address = 0; address < poliz.size(); ++address)
        text += std::to_string(address) + " " + items.text(poliz.at(address)) + "\n";
    return text;
}

std::string plainListing(const Poliz& poliz) {
    const PolizItemText items(poliz);
    std::string text;
    for (int address = 0; address < poliz.size(); ++address) {
        const Lex* item = poliz.at(address);
        text.append(PolizItemText::kindName(item)).append(" ");
        text += items.text(item, PolizItemText::Strings::ESCAPED) + "\n";
    }
    return text;
}
