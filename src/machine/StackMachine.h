// The reference stack machine: runs a translated program one POLIZ item at a time, exactly as
// the language defines it. It is written to be read, not to be fast: the fast backend is checked
// against it, and every tool that steps through a run (traces, the stepper, the playground) uses it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "lexemes/Ident.h"
#include "poliz/Poliz.h"
#include "runtime/Vocabulary.h"

// One entry of the operand stack: a reference to a variable (its value is fetched only when an
// operator consumes it), or a value with its type.
struct StackEntry {
    enum class Kind { VARIABLE, INT, REAL, STRING, LABEL };
    Kind kind = Kind::INT;
    Ident* variable = nullptr;  // VARIABLE
    std::int32_t i = 0;         // INT; LABEL: the address the label holds
    float r = 0.0f;             // REAL
    std::string s;              // STRING
};

class StackMachine {
public:
    // Runs `poliz` reading with "read" from `in` and writing with "write" to `out`.
    StackMachine(const Poliz& poliz, std::istream& in, std::ostream& out);

    // Runs the item at pc() and moves on; throws RuntimeError when the item fails.
    void step();
    // Steps until the program has passed its last item.
    void run();
    bool finished() const { return pc_ >= poliz.size(); }
    // The address of the item to run next.
    int pc() const { return pc_; }

    // The operand stack, bottom first.
    const std::vector<StackEntry>& stack() const { return stack_; }
    // Every variable the program mentions, temporaries included, in order of first mention.
    const std::vector<Ident*>& variables() const { return variables_; }
    // The variable the last step stored a value into ("=" and "read"), or null. No step changes
    // any other variable, which lets a tool that goes back keep one value per step.
    const Ident* lastStored() const { return lastStored_; }

    // Everything a step changes inside the machine and its variables, for tools that go back.
    // Input and output are the caller's: it rewinds its own streams.
    struct State {
        int pc = 0;
        std::vector<StackEntry> stack;
        std::vector<Ident::Saved> values;  // in the order of variables()
        const Ident* lastStored = nullptr;
    };
    State save() const;
    void restore(const State& state);


private:
    const Poliz& poliz;
    std::vector<Operation> operations;  // of each item; NOTHING for an operand
    std::istream& in;
    std::ostream& out;
    int pc_ = 0;
    std::vector<StackEntry> stack_;
    std::vector<Ident*> variables_;
    const Ident* lastStored_ = nullptr;

    // The stack: every pop goes through pop(), which reports too few operands.
    StackEntry pop();
    void push(StackEntry entry) { stack_.push_back(std::move(entry)); }
    StackEntry operand(const Lex* item) const;

    // Value fetches; a variable's value is read here and may be unassigned.
    ValueType typeOf(const StackEntry& e) const;
    std::int32_t intOf(const StackEntry& e) const;
    float realOf(const StackEntry& e) const;
    std::string stringOf(const StackEntry& e) const;

    // The operations, one per word of the vocabulary.
    void arithmetic(char sign);
    void comparison(const std::string& word);
    void assign();
    void read();
    void write();
    void jump(bool onlyIfFalse);

    int jumpTarget(const StackEntry& label) const;
    [[noreturn]] void mismatch() const;
};
