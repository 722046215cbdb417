// The stack machine that runs decoded instructions: the operand stack of unboxed values and
// variable references, the reused string buffers, buffered output and formatted input.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "common/Errors.h"
#include "fast/Instr.h"
#include "fast/Value.h"
#include "runtime/NumberText.h"
#include "runtime/RuntimeMessages.h"

// A malformed program (only a hand-built one can be) stops the run with a message that names the
// operator item at `address`: the run's entry point, which has the items, makes it with the
// item's word.
struct MalformedItem {
    int address;
    RuntimeError (*message)(std::string_view word, int address);
};

// Output is handed to the stream in chunks of about this size, unless the run asks otherwise.
inline constexpr std::size_t kOutputChunk = 1 << 15;

class Machine {
public:
    Machine(std::istream& in, std::ostream& out, std::size_t outputChunk = kOutputChunk);

    // Runs the program (its code ending in HALT) from pc to the end; checked cell forms that run
    // are replaced by their unchecked forms, so a program is run once.
    void run(Program& program, int pc);
    // Writes buffered output to the stream and flushes it.
    void flushOutput();

    // Where a run stopped because a loop got hot: the item to go on at (the first after the
    // loop head's marker) and the instruction that runs it; item -1 when the run ended.
    struct HotLoop {
        int item = -1;
        int resume = 0;
    };
    // From now on, run() stops at the backward jump that makes `backwardJumps` of them (0: never).
    void watchLoops(int backwardJumps) {
        loopsLeft = backwardJumps;
        hot = HotLoop{};
    }
    const HotLoop& hotLoop() const { return hot; }

private:
    const Program* program = nullptr;  // the one running
    int items = 0;                     // its instructions before HALT, where a label may lead
    std::istream& in;
    std::ostream& out;

    // The operand stack: [base, sp) is live; the storage only grows to the deepest point.
    std::vector<Value> storage;
    Value* base;
    Value* sp;
    Value* limit;
    // temps[d] holds the string of a STR_TEMP slot at depth d; buffers are reused, never freed.
    std::vector<std::string> temps;
    std::string outBuf;
    std::size_t outputChunk;
    std::string lineBuf;  // a string read's line, swapped into the variable
    int loopsLeft = 0;    // backward jumps until a loop is hot; 0 when not watching
    HotLoop hot;

    void loop(Instr* prog, int pc);
    void prepare(int at);
    // The address of the item an instruction stands for, which errors name.
    int itemAddress(int address) const;

    // Stack primitives. op1 is the top (the right operand of a binary operator), op2 below it.
    std::size_t depth() const { return static_cast<std::size_t>(sp - base); }
    void need(std::size_t count, int address) const {
        if (depth() < count) [[unlikely]]
            underflow(address);
    }
    void push(const Value& v) {
        if (sp == limit) [[unlikely]]
            grow();
        *sp++ = v;
    }
    void grow();
    std::string& tempAt(std::size_t d);
#ifdef POLIZ_STEP_BUDGET
    // Fuzz builds only: the bytes of text that joins make and writes print count against the
    // budget too, so that a few steps cannot spend unbounded time or memory on strings.
    std::size_t stringWork = 0;
    void chargeStrings(std::size_t bytes) {
        stringWork += bytes;
        if (stringWork > std::size_t{1} << 26) throw rtmsg::stepBudgetExhausted();
    }
#endif

    // Value fetches; a variable's value is read here, when an operator consumes it.
    std::int32_t intOf(const Value& v, int address) const;
    float realOf(const Value& v, int address) const;
    std::string_view stringOf(const Value& v, std::size_t d, int address) const;
    void appendText(std::string& dst, const Value& v, std::size_t d) const;

    // Operations, each told the address of its operator item for error messages.
    template <Op kOp>
    void binary(Value& l, const Value& r, std::size_t d, int address);
    template <Op kOp>
    void binaryStrings(Value& l, const Value& r, std::size_t d, int address);
    void assign(const Value& target, const Value& v, std::size_t d, int address);
    void assignString(Ident& target, const Value& v, std::size_t d);
    void read(int address);
    void write(int address);
    void dup(int address);
    int jumpTarget(const Value& label, int address) const;

    // Cell forms (see Op): a cell is fetched when it holds a value; only a variable's may not.
    void fetch(const NumCell* c) const {
        if (!c->assigned) [[unlikely]]
            unassignedCell(c);
    }
    template <bool kCheck>
    void fetchIf(const NumCell* c) const {
        if constexpr (kCheck) fetch(c);
    }
    template <Op kCellOp>
    void cellBinary(Instr& ins) const;
    template <Op kCellOp>
    bool cellTest(Instr& ins) const;
    template <Op kCellOp, bool kCheck>
    void cellUnary(Instr& ins) const;
    // A checked form that has run once turns into its unchecked form (see Op.h).
    template <Op kCellOp>
    static void quicken(Instr& ins) {
        if constexpr (uncheckedForm(kCellOp) != kCellOp) ins.op = uncheckedForm(kCellOp);
    }
    [[noreturn]] void unassignedCell(const NumCell* c) const;

    [[noreturn]] void underflow(int address) const;
    [[noreturn]] void mismatch(int address) const;
};

// The numeric fetches, in every operation's hot path: a real read as an int is truncated toward
// zero, an int read as a real is the nearest float.
[[gnu::always_inline]] inline std::int32_t Machine::intOf(const Value& v, int address) const {
    switch (v.slot) {
        case Slot::INT: return v.i;
        case Slot::REAL: return truncToInt(v.r);
        case Slot::VAR_INT: return assignedVariable(v).rawInt();
        case Slot::VAR_REAL: return truncToInt(assignedVariable(v).rawReal());
        default: mismatch(address);
    }
}

[[gnu::always_inline]] inline float Machine::realOf(const Value& v, int address) const {
    switch (v.slot) {
        case Slot::INT: return static_cast<float>(v.i);
        case Slot::REAL: return v.r;
        case Slot::VAR_INT: return static_cast<float>(assignedVariable(v).rawInt());
        case Slot::VAR_REAL: return assignedVariable(v).rawReal();
        default: mismatch(address);
    }
}
