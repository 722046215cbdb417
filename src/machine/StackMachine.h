// The reference stack machine: runs a translated program one POLIZ item at a time, exactly as
// the language defines it. It is the machine to read first: the fast backend is checked against
// it, and every tool that steps through a run (traces, the stepper, the playground) uses it.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "lexemes/Ident.h"
#include "machine/StackEntry.h"
#include "poliz/Poliz.h"
#include "runtime/Vocabulary.h"

class StackMachine {
public:
    // Runs `poliz` reading with "read" from `in` and writing with "write" to `out`.
    StackMachine(const Poliz& poliz, std::istream& in, std::ostream& out);

    // Runs the item at pc() and moves on; throws RuntimeError when the item fails.
    void step();
    // Steps until the program has passed its last item.
    void run();
    bool finished() const { return pc_ >= itemCount(); }
    // The address of the item to run next.
    int pc() const { return pc_; }

    // The operand stack, bottom first.
    const std::vector<StackEntry>& stack() const { return stack_; }
    // Every variable the program mentions, temporaries included, in order of first mention.
    const std::vector<Ident*>& variables() const { return variables_; }
    // The variable the last step stored a value into ("=" and "read"), or null. No step changes
    // any other variable, which lets a tool that goes back keep one value per step.
    const Ident* lastStored() const { return lastStored_; }

    // A copy of the stack that outlives the machine's own strings: a computed string entry's
    // `slot` indexes `strings` instead of a slot of the machine.
    struct SavedStack {
        std::vector<StackEntry> entries;
        std::vector<std::string> strings;
    };
    // Fills `into`, reusing its buffers.
    void saveStack(SavedStack& into) const;

    // Everything a step changes inside the machine and its variables, for tools that go back.
    // Input and output are the caller's: it rewinds its own streams.
    struct State {
        int pc = 0;
        SavedStack stack;
        std::vector<Ident::Saved> values;  // in the order of variables()
        const Ident* lastStored = nullptr;
    };
    State save() const;
    void restore(const State& state);

private:
    // A POLIZ item decoded once: an operator's Operation, or PUSH with the operand ready to go
    // on the stack as it is.
    struct Item {
        Operation operation;
        StackEntry operand;
    };
    static constexpr Operation PUSH = Operation::NOTHING;

    const Poliz& poliz;
    std::vector<Item> items_;
    std::istream& in;
    std::ostream& out;
    int pc_ = 0;
    std::vector<StackEntry> stack_;
    std::vector<Ident*> variables_;
    const Ident* lastStored_ = nullptr;
    // The strings computed during the run. Each slot belongs to at most one stack entry and
    // returns to `freeSlots_` when that entry is consumed, keeping its buffer for the next
    // string: a loop that appends to a string reuses the same few buffers.
    std::deque<std::string> slots_;
    std::vector<std::uint32_t> freeSlots_;
    std::string lineBuffer_;  // a string read's line, before it becomes the variable's value

    int itemCount() const { return static_cast<int>(items_.size()); }
    // The work of an item is inlined into the loop (the helpers marked always_inline below with
    // it): a call and its return, with the registers saved around them, cost more than an
    // addition does. Reading, writing and the string forms stay calls.
    inline void execute(const Item& item);

    // Every pop goes through pop(), which reports too few operands.
    [[gnu::always_inline]] void push(const StackEntry& entry) { stack_.push_back(entry); }
    [[gnu::always_inline]] StackEntry pop() {
        if (stack_.empty()) tooFewOperands();
        const StackEntry top = stack_.back();
        stack_.pop_back();
        return top;
    }

    // Value fetches; a variable's value is read here and may be unassigned.
    [[gnu::always_inline]] inline ValueType typeOf(const StackEntry& e) const;
    [[gnu::always_inline]] inline std::int32_t intOf(const StackEntry& e) const;
    [[gnu::always_inline]] inline float realOf(const StackEntry& e) const;
    const std::string& stringOf(const StackEntry& e) const;

    // The string slots.
    std::uint32_t newSlot();
    void release(const StackEntry& e) {
        if (e.ownsText()) freeSlots_.push_back(e.slot);
    }
    void pushText(std::uint32_t slot) { push(StackEntry::ofText(&slots_[slot], slot)); }
    void dropTo(std::size_t size);

    // The operations with more than a line of work.
    [[gnu::always_inline]] inline void arithmetic(Operation operation);
    void concatenate(const StackEntry& op1, const StackEntry& op2);
    [[gnu::always_inline]] inline void comparison(Operation operation);
    [[gnu::always_inline]] inline void assign();
    void read();
    void write();
    void duplicate();
    [[gnu::always_inline]] inline void jump(bool onlyIfFalse);

    // Failures, out of the way of the code that runs.
    [[noreturn]] void tooFewOperands() const;
    [[noreturn]] void mismatch() const;
    [[noreturn]] void needsLabel() const;
};
