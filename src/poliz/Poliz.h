// The translated program: a flat sequence of lexeme pointers in reverse Polish order. An
// item's index is its address. Items are not owned here; the store owns what no table holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <vector>

#include "common/SourcePosition.h"
#include "lexemes/Lex.h"
#include "lexemes/LexStore.h"
#include "lexemes/Word.h"
#include "poliz/PolizFacts.h"
#include "runtime/Vocabulary.h"

class Poliz {
    // Items in fixed-size blocks: a program of tens of millions of items grows without the
    // doubling copies of one array, whose old and new halves would be held at once. An item is
    // the number of its lexeme in `lexemesOfItems`, which lists each lexeme once, in the order
    // first pushed: half a pointer's size, and most items repeat a name or an operator word.
    std::deque<std::uint32_t> code;
    std::deque<Lex*> lexemesOfItems;
    // The source line of every item, for listings, kept as the address where each line's
    // items begin: one entry per statement rather than one per item.
    struct LineStart {
        int address;
        int line;
    };
    std::vector<LineStart> lineStarts;
    // Where the lexeme of each item starts; kept only when a tool asks for it (keepPositions),
    // so a plain run spends nothing on it.
    std::deque<SourcePosition> positions;
    bool positionsKept = false;
    int sourceLine = 0;
    LexStore lexemes;
    PolizFacts known;

    // The lexeme's number in lexemesOfItems, which lists it first if it is new. The number the
    // lexeme keeps finds it without a search, unless it came from another program.
    std::uint32_t numberOf(Lex* item) {
        std::uint32_t number = item->numberInItems();
        if (number < lexemesOfItems.size() && lexemesOfItems[number] == item) return number;
        number = static_cast<std::uint32_t>(lexemesOfItems.size());
        lexemesOfItems.push_back(item);
        item->numberItems(number);
        return number;
    }

public:
    Poliz() = default;
    Poliz(const Poliz&) = delete;
    Poliz& operator=(const Poliz&) = delete;

    // Appends an item and returns its address.
    int push(Lex* item, SourcePosition at = {}) {
        const int address = static_cast<int>(code.size());
        if (positionsKept) positions.push_back(at);
        if (lineStarts.empty() || lineStarts.back().line != sourceLine) {
            lineStarts.push_back(LineStart{address, sourceLine});
        }
        code.push_back(numberOf(item));
        return address;
    }
    // The translator names the source line of the statement whose items follow.
    void setSourceLine(int line) { sourceLine = line; }
    int lineOf(int address) const {
        auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), address,
                                      [](int a, const LineStart& start) { return a < start.address; });
        return std::prev(after)->line;
    }
    // From now on every item records where its lexeme starts.
    void keepPositions() { positionsKept = true; }
    // The start of the lexeme an item was translated from: an operand's own text, an
    // operator's sign or word; the items a statement adds around them (temporaries, jumps,
    // markers) stand where the construct that needs them begins or is closed. Unknown when
    // positions were not kept.
    SourcePosition positionOf(int address) const {
        const auto k = static_cast<std::size_t>(address);
        return k < positions.size() ? positions[k] : SourcePosition{};
    }
    // The writable slot at an address that push returned; used to patch placeholders
    // (`poliz[hole] = label`). The slot holds a number, so it is written through this.
    class Slot {
        Poliz& poliz;
        std::uint32_t& number;

    public:
        Slot(Poliz& poliz, std::uint32_t& number) : poliz(poliz), number(number) {}
        Slot& operator=(Lex* item) {
            number = poliz.numberOf(item);
            return *this;
        }
    };
    Slot operator[](int address) { return Slot(*this, code[static_cast<std::size_t>(address)]); }
    Lex* at(int address) const { return lexemesOfItems[code[static_cast<std::size_t>(address)]]; }
    // What the item does when it runs: an operator's operation, as the machines decode it, or
    // NOTHING for an operand (a string constant spelt "read" reads nothing).
    Operation operationAt(int address) const {
        const Lex* item = at(address);
        if (item->getKind() != KEYWORD && item->getKind() != DELIM) return Operation::NOTHING;
        return operationOf(static_cast<const Word*>(item)->text());
    }
    int size() const { return static_cast<int>(code.size()); }
    // Calls visit(address, lexeme) for each item whose lexeme `select` chooses, in the order of
    // addresses, while visit returns true; returns false if it stopped. `select` sees each
    // lexeme once, however many items it is: a pass over the items reads none of them.
    template <class Select, class Visit>
    bool visitItems(Select select, Visit visit) const {
        std::vector<bool> chosen(lexemesOfItems.size());
        for (std::size_t k = 0; k < lexemesOfItems.size(); ++k) chosen[k] = select(lexemesOfItems[k]);
        int address = 0;
        for (const std::uint32_t number : code) {
            if (chosen[number] && !visit(address, lexemesOfItems[number])) return false;
            ++address;
        }
        return true;
    }

    // Owner of the lexemes made during translation and execution.
    LexStore& store() { return lexemes; }
    // What the translator recorded about the items while appending them.
    PolizFacts& facts() { return known; }
    const PolizFacts& facts() const { return known; }
};
