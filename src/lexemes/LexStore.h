// The one owner of the lexemes that no table holds (labels, operator items and constants the
// parser makes, temporaries, constants the scanner leaves out of its tables). It lives as long
// as the run, so every pointer into it stays valid until execution has ended.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "lexemes/Lex.h"

class LexStore {
    // Lexemes are made in large blocks, one after another, rather than one heap allocation
    // each: a big program makes millions of them and frees them all only at the end.
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 16;
    struct Block {
        std::unique_ptr<std::byte[]> bytes;
        std::size_t used = 0;
    };
    std::vector<Block> blocks;
    // In the order made, destroyed in the reverse one; in blocks, so that it grows without the
    // doubling copies of one array.
    std::deque<Lex*> made;
    std::vector<std::unique_ptr<Lex>> adopted;

    void* allocate(std::size_t size, std::size_t align) {
        if (!blocks.empty()) {
            Block& last = blocks.back();
            const std::size_t at = (last.used + align - 1) / align * align;
            if (at + size <= kBlockBytes) {
                last.used = at + size;
                return last.bytes.get() + at;
            }
        }
        // new[] of bytes is aligned for any fundamental type, which every lexeme class is; the
        // bytes are left uninitialised until a lexeme is made in them.
        Block fresh{std::unique_ptr<std::byte[]>(new std::byte[kBlockBytes]), size};
        void* start = fresh.bytes.get();
        blocks.push_back(std::move(fresh));
        return start;
    }

public:
    LexStore() = default;
    LexStore(const LexStore&) = delete;
    LexStore& operator=(const LexStore&) = delete;
    ~LexStore() {
        for (auto lex = made.rbegin(); lex != made.rend(); ++lex) (*lex)->~Lex();
    }

    template <class T, class... Args>
    T* make(Args&&... args) {
        static_assert(sizeof(T) <= kBlockBytes && alignof(T) <= alignof(std::max_align_t));
        // Room first, so that recording the lexeme cannot fail once it exists.
        made.push_back(nullptr);
        try {
            void* place = allocate(sizeof(T), alignof(T));
            T* lex = new (place) T(std::forward<Args>(args)...);
            made.back() = lex;
            return lex;
        } catch (...) {
            made.pop_back();
            throw;
        }
    }

    // Takes ownership of a lexeme made elsewhere.
    Lex* adopt(Lex* lex) {
        adopted.emplace_back(lex);
        return lex;
    }

    std::size_t size() const { return made.size() + adopted.size(); }
};
