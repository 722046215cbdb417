// The POLIZ vocabulary: every operator word the translator emits and the machines run, in one
// table. The parser emits items by these words, both machines decode items into Operation once,
// and the listings and the playground name operations by them.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

// ORDER WORD: the enumerators follow kVocabulary below; a static_assert checks it.
enum class Operation : std::uint8_t {
    MUL,
    DIV,
    SUB,
    ADD,
    ASSIGN,
    LT,
    GT,
    LE,
    GE,
    EQ,
    NE,
    AND,
    OR,
    NOT,
    READ,
    WRITE,
    BACKSPACE,
    JUMP,
    JUMPFALSE,
    DUP,
    NEG,
    EMPTY,    // the jump-target marker and the placeholder: does nothing
    NOTHING,  // any other word: an operator outside the vocabulary does nothing either
};

struct VocabularyWord {
    std::string_view word;
    Operation operation;
};

// In the order the words are tried when an item is identified by its word.
inline constexpr VocabularyWord kVocabulary[] = {
    {"*", Operation::MUL},
    {"/", Operation::DIV},
    {"-", Operation::SUB},
    {"+", Operation::ADD},
    {"=", Operation::ASSIGN},
    {"<", Operation::LT},
    {">", Operation::GT},
    {"<=", Operation::LE},
    {">=", Operation::GE},
    {"==", Operation::EQ},
    {"!=", Operation::NE},
    {"and", Operation::AND},
    {"or", Operation::OR},
    {"not", Operation::NOT},
    {"read", Operation::READ},
    {"write", Operation::WRITE},
    {"backspace", Operation::BACKSPACE},
    {"jump", Operation::JUMP},
    {"jumpfalse", Operation::JUMPFALSE},
    {"dup", Operation::DUP},
    {"~", Operation::NEG},
    {"empty", Operation::EMPTY},
};

inline constexpr int kVocabularySize = static_cast<int>(std::size(kVocabulary));

constexpr bool vocabularyInOrder() {
    for (int k = 0; k < kVocabularySize; ++k)
        if (static_cast<int>(kVocabulary[k].operation) != k) return false;
    return static_cast<int>(Operation::NOTHING) == kVocabularySize;
}
static_assert(vocabularyInOrder(), "kVocabulary must list the operations in the order of the enumeration");

// The operation an operator word names; NOTHING for a word outside the vocabulary.
Operation operationOf(std::string_view word);

// The word of an operation; empty for NOTHING.
constexpr std::string_view wordOf(Operation operation) {
    const auto k = static_cast<int>(operation);
    return k < kVocabularySize ? kVocabulary[k].word : std::string_view();
}

constexpr bool isArithmetic(Operation op) { return op >= Operation::MUL && op <= Operation::ADD; }
constexpr bool isComparison(Operation op) { return op >= Operation::LT && op <= Operation::NE; }
