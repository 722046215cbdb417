// The one owner of the lexemes that no table holds (labels, operator items and constants the
// parser makes, temporaries, constants the scanner leaves out of its tables). It lives as long
// as the run, so every pointer into it stays valid until execution has ended.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "lexemes/Lex.h"

class LexStore {
    // Lexemes are made in large blocks, one after another, rather than one heap allocation
    // each: a big program makes millions of them and frees them all only at the end. A block
    // holds lexemes of one class alone, so that it can destroy them without a list of what it
    // holds: a list would cost a pointer per lexeme.
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 16;
    struct Block {
        std::unique_ptr<std::byte[]> bytes;
        std::size_t count = 0;                     // lexemes made in it, one after another
        void (*destroy)(std::byte*, std::size_t);  // destroys that many, the last first
        const void* kind;                          // which class it holds
    };
    std::vector<Block> blocks;  // destroyed the last made first
    // For each class made so far, the block that takes its next lexemes.
    std::vector<std::size_t> open;
    std::vector<std::unique_ptr<Lex>> adopted;
    std::size_t made = 0;

    // Its address tells a class's blocks apart; not constant, so that no two are merged.
    template <class T>
    static inline char kKind = 0;

    template <class T>
    static void destroyAll(std::byte* bytes, std::size_t count) {
        while (count > 0) std::launder(reinterpret_cast<T*>(bytes + --count * sizeof(T)))->~T();
    }

    template <class T>
    static Block freshBlock() {
        // new[] of bytes is aligned for any fundamental type, which every lexeme class is; the
        // bytes are left uninitialised until a lexeme is made in them.
        return Block{std::unique_ptr<std::byte[]>(new std::byte[kBlockBytes]), 0, &destroyAll<T>, &kKind<T>};
    }

    // The block with room for one more T: its class's open block, or a fresh one.
    template <class T>
    Block& blockFor() {
        for (std::size_t& b : open) {
            if (blocks[b].kind != &kKind<T>) continue;
            if ((blocks[b].count + 1) * sizeof(T) > kBlockBytes) {
                blocks.push_back(freshBlock<T>());
                b = blocks.size() - 1;
            }
            return blocks[b];
        }
        open.reserve(open.size() + 1);  // so that recording the fresh block cannot fail
        blocks.push_back(freshBlock<T>());
        open.push_back(blocks.size() - 1);
        return blocks.back();
    }

public:
    LexStore() = default;
    LexStore(const LexStore&) = delete;
    LexStore& operator=(const LexStore&) = delete;
    ~LexStore() {
        for (auto block = blocks.rbegin(); block != blocks.rend(); ++block)
            block->destroy(block->bytes.get(), block->count);
    }

    template <class T, class... Args>
    T* make(Args&&... args) {
        static_assert(sizeof(T) <= kBlockBytes && alignof(T) <= alignof(std::max_align_t));
        Block& block = blockFor<T>();
        T* lex = new (block.bytes.get() + block.count * sizeof(T)) T(std::forward<Args>(args)...);
        ++block.count;
        ++made;
        return lex;
    }

    // Takes ownership of a lexeme made elsewhere.
    Lex* adopt(Lex* lex) {
        adopted.emplace_back(lex);
        return lex;
    }

    std::size_t size() const { return made + adopted.size(); }
};
