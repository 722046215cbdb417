// The annotated listing of a POLIZ program (see PolizAnnotatedListing.h).
#include "show/PolizAnnotatedListing.h"

#include <algorithm>
#include <cstddef>

#include "poliz/PolizItemText.h"
#include "show/SourceLines.h"

namespace {

// Texts longer than this do not widen the text column for every other item.
constexpr std::size_t kMaxTextColumn = 16;
constexpr std::size_t kKindColumn = 8;  // "variable", the longest kind

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string annotatedListing(const Poliz& poliz, const std::vector<std::string>& sourceLines) {
    const PolizItemText items(poliz);
    const std::size_t addressColumn = std::to_string(std::max(poliz.size() - 1, 0)).size();
    std::vector<std::string> texts;
    std::size_t textColumn = 0;
    for (int address = 0; address < poliz.size(); ++address) {
        texts.push_back(items.text(poliz.at(address), PolizItemText::Strings::ESCAPED));
        if (!poliz.at(address)->typeName().empty())
            textColumn = std::max(textColumn, std::min(texts.back().size(), kMaxTextColumn));
    }

    std::string out;
    for (int address = 0; address < poliz.size(); ++address) {
        const Lex* item = poliz.at(address);
        if (address == 0 || poliz.lineOf(address) != poliz.lineOf(address - 1))
            out += lineHeader(poliz.lineOf(address), sourceLines) + "\n";
        const std::string number = std::to_string(address);
        std::string line = "  " + std::string(addressColumn - number.size(), ' ') + number + "  " +
                           padded(PolizItemText::kindName(item), kKindColumn) + "  ";
        const std::string& text = texts[static_cast<std::size_t>(address)];
        if (item->typeName().empty()) {
            line += text;
        } else {
            line += padded(text, textColumn) + "  " + item->typeName();
        }
        out += line + "\n";
    }
    return out;
}
