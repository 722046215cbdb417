// The one table that ties operator words to operations.
#include "fast/Op.h"

namespace {

struct WordOp {
    std::string_view word;
    Op op;
};

constexpr WordOp kVocabulary[] = {
    {"*", Op::MUL},
    {"/", Op::DIV},
    {"-", Op::SUB},
    {"+", Op::ADD},
    {"=", Op::ASSIGN},
    {"<", Op::LT},
    {">", Op::GT},
    {"<=", Op::LE},
    {">=", Op::GE},
    {"==", Op::EQ},
    {"!=", Op::NE},
    {"and", Op::AND},
    {"or", Op::OR},
    {"not", Op::NOT},
    {"read", Op::READ},
    {"write", Op::WRITE},
    {"backspace", Op::BACKSPACE},
    {"jump", Op::JUMP},
    {"jumpfalse", Op::JUMPFALSE},
    {"dup", Op::DUP},
    {"~", Op::NEG},
    {"empty", Op::NOP},
};

}  // namespace

// Every operator item of a program comes through here once, so the words are told apart by
// their first character before any text is compared.
Op opOfWord(std::string_view word) {
    if (word.empty()) return Op::NOP;
    const char first = word.front();
    for (const WordOp& entry : kVocabulary)
        if (entry.word.front() == first && entry.word == word) return entry.op;
    return Op::NOP;
}
