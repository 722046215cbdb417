// The text of POLIZ items (see PolizItemText.h).
#include "poliz/PolizItemText.h"

#include "lexemes/Label.h"

PolizItemText::PolizItemText(const Poliz& poliz) {
    for (int address = 0; address < poliz.size(); ++address) {
        const Lex* item = poliz.at(address);
        if (item->getKind() == IDENT && item->getString().empty())
            temporaries.try_emplace(item, static_cast<int>(temporaries.size()) + 1);
    }
}

std::string PolizItemText::variableName(const Lex* variable) const {
    std::string name = variable->getString();
    if (!name.empty()) return name;
    const auto found = temporaries.find(variable);
    return found == temporaries.end() ? "$t?" : std::string("$t").append(std::to_string(found->second));
}

std::string PolizItemText::text(const Lex* item, Strings strings) const {
    switch (item->getKind()) {
        case IDENT: return variableName(item);
        case STRINGC:
            if (strings == Strings::ESCAPED) return quotedEscaped(item->getString());
            return std::string("\"").append(item->getString()).append("\"");
        case LABEL:
            return std::string("->").append(std::to_string(static_cast<const Label*>(item)->getAddress()));
        case NUMBER:
        case REAL:
        case KEYWORD:
        case DELIM: break;
    }
    return item->getString();
}

const char* PolizItemText::kindName(const Lex* item) {
    switch (item->getKind()) {
        case IDENT: return "variable";
        case NUMBER:
        case REAL:
        case STRINGC: return "constant";
        case LABEL: return "label";
        case KEYWORD:
        case DELIM: break;
    }
    return "operator";
}

std::string quotedEscaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            case '\r': quoted += "\\r"; break;
            case '\\': quoted += "\\\\"; break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    quoted += "\\x";
                    quoted += kHex[byte >> 4];
                    quoted += kHex[byte & 0xf];
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}
