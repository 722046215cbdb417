// The store that owns the translator's lexemes: how it packs them and that it destroys each one
// exactly once, whatever classes were made in between and however many blocks they took.
#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "lexemes/Ident.h"
#include "lexemes/Label.h"
#include "lexemes/LexStore.h"
#include "lexemes/Number.h"

namespace {

// A lexeme that writes its number into a log when destroyed.
class Logged : public Lex {
    std::vector<int>& log;
    int id;

public:
    Logged(std::vector<int>& log, int id) : Lex(IDENT), log(log), id(id) {}
    ~Logged() override { log.push_back(id); }
    bool isEqual(std::string_view) const override { return false; }
    std::string getString() const override { return std::to_string(id); }
};

constexpr std::ptrdiff_t kNumberStep = sizeof(Number);

std::ptrdiff_t bytesBetween(const void* a, const void* b) {
    return static_cast<const std::byte*>(b) - static_cast<const std::byte*>(a);
}

}  // namespace

// A big program makes millions of lexemes: those of one class lie one after another, each only
// as big as its class, even with lexemes of other classes made in between.
TEST(LexStore, PacksLexemesOfAClassWithoutGaps) {
    LexStore store;
    const Number* first = store.make<Number>(1);
    const Number* second = store.make<Number>(2);
    const Label* label = store.make<Label>(3);
    const Number* third = store.make<Number>(4);
    EXPECT_EQ(bytesBetween(first, second), kNumberStep);
    EXPECT_EQ(bytesBetween(second, third), kNumberStep);
    EXPECT_EQ(label->getAddress(), 3);
    EXPECT_EQ(third->getIntVal(), 4);
    EXPECT_EQ(store.size(), 4u);
}

// Lexemes made across many blocks, classes interleaved, are each destroyed once when the store
// is, the ones of a class last made first; their values survive while the store lives.
TEST(LexStore, DestroysEveryLexemeOnceAcrossBlocks) {
    std::vector<int> log;
    constexpr int kMade = 20000;  // several blocks of each class
    {
        LexStore store;
        std::vector<const Label*> labels;
        std::vector<const Logged*> logged;
        for (int k = 0; k < kMade; ++k) {
            logged.push_back(store.make<Logged>(log, k));
            labels.push_back(store.make<Label>(k));
            if (k % 3 == 0)
                store.make<Ident>(std::string("text that owns its buffer, beyond any short form"));
        }
        EXPECT_EQ(store.size(), static_cast<std::size_t>(2 * kMade + (kMade + 2) / 3));
        for (int k = 0; k < kMade; ++k) {
            ASSERT_EQ(labels[static_cast<std::size_t>(k)]->getAddress(), k);
            ASSERT_EQ(logged[static_cast<std::size_t>(k)]->getString(), std::to_string(k));
        }
        EXPECT_TRUE(log.empty());
    }
    ASSERT_EQ(log.size(), static_cast<std::size_t>(kMade));
    for (int k = 0; k < kMade; ++k) EXPECT_EQ(log[static_cast<std::size_t>(k)], kMade - 1 - k);
}

// A lexeme whose constructor fails takes no place: the next one goes where it would have been.
TEST(LexStore, AFailedConstructionLeavesNoTrace) {
    struct Failing : Lex {
        explicit Failing(bool fail) : Lex(LABEL) {
            if (fail) throw std::runtime_error("no");
        }
        bool isEqual(std::string_view) const override { return false; }
        std::string getString() const override { return ""; }
    };
    LexStore store;
    const Failing* first = store.make<Failing>(false);
    EXPECT_THROW(store.make<Failing>(true), std::runtime_error);
    const Failing* second = store.make<Failing>(false);
    EXPECT_EQ(bytesBetween(first, second), static_cast<std::ptrdiff_t>(sizeof(Failing)));
    EXPECT_EQ(store.size(), 2u);
}
