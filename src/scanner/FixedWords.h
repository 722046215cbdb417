// The keywords or the signs, which the scanner's tables receive once and never again, indexed
// by first character for the scanner's hot path: most words the source spells are names that
// share no first character with a keyword, and most signs are a single character.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "lexemes/Word.h"

class FixedWords {
    std::array<std::vector<Word*>, 256> byFirst;

    static std::size_t first(std::string_view text) { return static_cast<unsigned char>(text.front()); }

public:
    // The table's own lexeme for each word; a word added twice keeps its first.
    void add(Word* word) {
        if (!word->text().empty() && find(word->text()) == nullptr)
            byFirst[first(word->text())].push_back(word);
    }

    // The word spelt exactly as the text, or null: what the table it came from returns.
    Word* find(std::string_view text) const {
        if (text.empty()) return nullptr;
        for (Word* word : byFirst[first(text)])
            if (word->text() == text) return word;
        return nullptr;
    }
};
