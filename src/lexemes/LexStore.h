// The one owner of the lexemes that no table holds (labels, operator items and constants the
// parser makes, temporaries, constants the scanner leaves out of its tables). It lives as long
// as the run, so every pointer into it stays valid until execution has ended.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "lexemes/Lex.h"

class LexStore {
    std::vector<std::unique_ptr<Lex>> owned;

public:
    template <class T, class... Args>
    T* make(Args&&... args) {
        auto lex = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = lex.get();
        owned.push_back(std::move(lex));
        return raw;
    }

    // Takes ownership of a lexeme made elsewhere.
    Lex* adopt(Lex* lex) {
        owned.emplace_back(lex);
        return lex;
    }

    std::size_t size() const { return owned.size(); }
};
