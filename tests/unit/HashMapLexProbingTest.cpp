// The lexeme table against a plain model of its hash and linear probing: after any sequence of
// lookups and insertions the same lexemes sit in the same slots, and every lookup returns what
// walking the probe run returns, also for numbers written unusually (05, 1.50).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "lexemes/Ident.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "runtime/NumberText.h"
#include "scanner/HashMapLex.h"

namespace {

// The described table, probing slot by slot.
class ProbingModel {
    std::vector<Lex*> slots;
    int count = 0;

    int hash(const std::string& text) const {
        if (text.empty()) return 0;
        std::uint32_t h = 97u * static_cast<std::uint32_t>(static_cast<signed char>(text[0]));
        for (std::size_t i = 1; i < text.size(); ++i)
            h += static_cast<std::uint32_t>(static_cast<signed char>(text[i]));
        const int size = static_cast<int>(slots.size());
        const int slot = static_cast<std::int32_t>(h) % size;
        return slot < 0 ? slot + size : slot;
    }
    void place(Lex* lex) {
        std::size_t i = static_cast<std::size_t>(hash(lex->getString()));
        while (slots[i] != nullptr) i = (i + 1) % slots.size();
        slots[i] = lex;
    }

public:
    explicit ProbingModel(int size) : slots(static_cast<std::size_t>(size), nullptr) {}

    Lex* find(const std::string& text) const {
        const std::size_t start = static_cast<std::size_t>(hash(text));
        for (std::size_t n = 0, i = start; n < slots.size() && slots[i] != nullptr; ++n) {
            if (slots[i]->isEqual(text)) return slots[i];
            i = (i + 1) % slots.size();
        }
        return nullptr;
    }
    void add(Lex* lex) {
        if (find(lex->getString()) != nullptr) return;
        place(lex);
        if (++count * 100 >= 70 * static_cast<int>(slots.size())) {
            std::vector<Lex*> old(slots.size() * 2, nullptr);
            std::swap(old, slots);
            for (Lex* entry : old)
                if (entry != nullptr) place(entry);
        }
    }
    int size() const { return static_cast<int>(slots.size()); }
    Lex* inSlot(int i) const { return slots[static_cast<std::size_t>(i)]; }
};

// Interns every text as the scanner does (look up, else make and add) in both, comparing the
// lookups on the way and the slots at the end. Lexemes left out stay the test's.
template <class LexClass>
void interns(KeyForm form, const std::vector<std::string>& texts) {
    HashMapLex table(64, form);
    ProbingModel model(64);
    std::vector<std::unique_ptr<Lex>> leftOut;
    for (const std::string& text : texts) {
        Lex* found = table[Buffer(text)];
        ASSERT_EQ(found, model.find(text)) << text;
        if (found) continue;
        const int before = table.stored();
        Lex* made = table.tryToAdd(new LexClass(Buffer(text)));
        model.add(made);
        if (table.stored() == before) leftOut.emplace_back(made);
    }
    ASSERT_EQ(table.slots(), model.size());
    for (int i = 0; i < model.size(); ++i) ASSERT_EQ(table.inSlot(i), model.inSlot(i)) << i;
}

}  // namespace

TEST(HashMapLexProbing, ClusteredNamesKeepTheirSlots) {
    // Names of one length and first letter hash into a narrow band: long shared probe runs.
    std::mt19937 random(13);
    std::vector<std::string> texts;
    for (int i = 0; i < 4000; ++i) {
        std::string name = random() % 3 == 0 ? "wv" : "v";
        name += std::to_string(random() % 9000);
        texts.push_back(name);
    }
    interns<Ident>(KeyForm::TEXT, texts);
}

TEST(HashMapLexProbing, NumbersWrittenUnusuallyFindWhatProbingFinds) {
    // 7 and 007 start their runs at different slots: whether 007 meets 7 depends on the run.
    std::mt19937 random(7);
    std::vector<std::string> ints, reals;
    for (int i = 0; i < 4000; ++i) {
        const std::string digits = std::to_string(random() % 3000);
        ints.push_back(std::string(random() % 3, '0') + digits);
        reals.push_back(digits + "." + std::to_string(random() % 4) + std::string(random() % 2, '0'));
    }
    ints.push_back("99999999999");  // beyond 32 bits: equal to nothing
    interns<Number>(KeyForm::INT, ints);
    interns<Real>(KeyForm::REAL, reals);
}
