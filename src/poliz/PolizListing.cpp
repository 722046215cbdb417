// The listing of a POLIZ program (see PolizListing.h).
#include "poliz/PolizListing.h"

#include <map>

#include "lexemes/Label.h"

namespace {

std::string prefixed(const char* prefix, int number) { return std::string(prefix).append(std::to_string(number)); }

class Lister {
    std::map<const Lex*, int> temporaries;  // numbered in order of first appearance

public:
    std::string itemText(const Lex* item) {
        switch (item->getKind()) {
            case IDENT:
                if (!item->getString().empty()) return item->getString();
                return prefixed("$t", temporaries.try_emplace(item, static_cast<int>(temporaries.size()) + 1).first->second);
            case STRINGC: return std::string("\"").append(item->getString()).append("\"");
            case LABEL: return prefixed("->", static_cast<const Label*>(item)->getAddress());
            case NUMBER:
            case REAL:
            case KEYWORD:
            case DELIM: break;
        }
        return item->getString();
    }
};

}  // namespace

std::string listing(const Poliz& poliz) {
    Lister lister;
    std::string text;
    for (int address = 0; address < poliz.size(); ++address)
        text += std::to_string(address) + " " + lister.itemText(poliz.at(address)) + "\n";
    return text;
}
