// Where the items that a fused form of a two-operand word covers lie, counted from the form's
// own address: the decoder (fuseAt) matches the shapes by these patterns, and the run loop
// resumes after them and names the item of each step in its errors by the same offsets.
#pragma once

#include <array>
#include <cstdint>

#include "fast/Op.h"

// One item of a shape: an operand, the two-operand word, or one of the other words and labels.
enum class ShapeItem : std::uint8_t { END, OPERAND, WORD, ASSIGN, BACKSPACE, LABEL, JUMPFALSE };

struct FusedLayout {
    std::array<ShapeItem, 8> items;  // the pattern, END after its last item
    int length;                      // items covered: the run goes on at at + length
    int word;                        // the two-operand word
    int assign = -1;                 // the first "=" (STATEMENT: the second follows it)
    int label = -1;                  // the label of the "jumpfalse"
    int jumpfalse = -1;              // the "jumpfalse", whose test reads the value
};

constexpr FusedLayout layoutOf(Shape shape) {
    using enum ShapeItem;
    switch (shape) {
        case Shape::WITH_OPERAND: return {{OPERAND, WORD}, 2, 1};
        case Shape::WITH_OPERANDS: return {{OPERAND, OPERAND, WORD}, 3, 2};
        // T x a b word "=" "=" "backspace"
        case Shape::STATEMENT:
            return {{OPERAND, OPERAND, OPERAND, OPERAND, WORD, ASSIGN, ASSIGN, BACKSPACE}, 8, 4, 5};
        // T a b word "=" label "jumpfalse"
        case Shape::CONDITION:
            return {{OPERAND, OPERAND, OPERAND, WORD, ASSIGN, LABEL, JUMPFALSE}, 7, 3, 4, 5, 6};
        // a b word label "jumpfalse"
        case Shape::BRANCH: return {{OPERAND, OPERAND, WORD, LABEL, JUMPFALSE}, 5, 2, -1, 3, 4};
        default: return {{}, 1, 0};
    }
}

namespace layoutdetail {

constexpr bool at(const FusedLayout& l, int k, ShapeItem item) {
    return k >= 0 && k < l.length && l.items[static_cast<std::size_t>(k)] == item;
}

}  // namespace layoutdetail

// The offsets name the items the pattern has there, and the pattern is exactly length long.
constexpr bool consistent(const FusedLayout& l) {
    using layoutdetail::at;
    if (l.length > static_cast<int>(l.items.size())) return false;
    if (l.length < static_cast<int>(l.items.size()) &&
        l.items[static_cast<std::size_t>(l.length)] != ShapeItem::END)
        return false;
    for (int k = 0; k < l.length; ++k)
        if (l.items[static_cast<std::size_t>(k)] == ShapeItem::END) return false;
    if (!at(l, l.word, ShapeItem::WORD)) return false;
    for (int k = 0; k < l.word; ++k)
        if (!at(l, k, ShapeItem::OPERAND)) return false;
    if (l.assign >= 0 && !at(l, l.assign, ShapeItem::ASSIGN)) return false;
    if ((l.label >= 0) != (l.jumpfalse >= 0)) return false;
    if (l.label >= 0 && !(at(l, l.label, ShapeItem::LABEL) && l.jumpfalse == l.label + 1 &&
                          at(l, l.jumpfalse, ShapeItem::JUMPFALSE)))
        return false;
    return true;
}

static_assert(consistent(layoutOf(Shape::WITH_OPERAND)) && consistent(layoutOf(Shape::WITH_OPERANDS)) &&
              consistent(layoutOf(Shape::STATEMENT)) && consistent(layoutOf(Shape::CONDITION)) &&
              consistent(layoutOf(Shape::BRANCH)));
// The run loop's statement form reads x, a and b right after T and assigns twice in a row.
static_assert(layoutOf(Shape::STATEMENT).word == 4 &&
              layoutOf(Shape::STATEMENT).items[6] == ShapeItem::ASSIGN);
