// The reference machine's own string slots: computed strings are freed and their buffers reused,
// "dup" gives each entry its own string, and a saved state keeps its strings while the run
// goes on changing the machine's.
#include <gtest/gtest.h>

#include <sstream>

#include "CountingAllocator.h"
#include "HandPoliz.h"
#include "machine/StackMachine.h"

namespace {

// for (i = 0; i < n; i = i + 1) s = s + "x"; write(s): allocations of one run on the reference
// machine, and what it printed.
struct AppendRun {
    long allocations;
    std::size_t written;
};

AppendRun appendLoop(std::int32_t n) {
    HandPoliz p(Engine::REFERENCE);
    Ident* i = p.var("i", "int", 0);
    Ident* s = p.var("s", "string", std::string());
    const int head = p.mark();
    p.emit({p.temp("int"), i, p.n(n), "<", "="});
    const int leave = p.emit({"empty", "jumpfalse"});
    p.emit({p.temp("string"), s, s, p.s("x"), "+", "=", "=", "backspace"});
    p.emit({p.temp("int"), i, i, p.n(1), "+", "=", "=", "backspace"});
    p.emit({p.label(head), "jump"});
    p.patch(leave, p.mark());
    p.emit({s, p.n(1), "write"});
    std::istringstream in;
    std::ostringstream out;
    const long before = allocationCount();
    {
        StackMachine machine(p.poliz, in, out);
        machine.run();
    }
    return {allocationCount() - before, out.str().size()};
}

std::string textOf(const StackEntry& e) {
    return e.kind == StackEntry::Kind::STRING ? *e.text : std::string("<not a string>");
}

}  // namespace

TEST(ReferenceMachine, AppendingToAStringReusesItsBuffers) {
    appendLoop(10);  // first-use allocations of the library
    const AppendRun shortRun = appendLoop(2000);
    const AppendRun longRun = appendLoop(40000);
    EXPECT_EQ(shortRun.written, 2000u);
    EXPECT_EQ(longRun.written, 40000u);
    // Twenty times the appends: only the buffers that double as the string grows (the variable,
    // its statement's temporary, the slot, the output) allocate more, never one per append.
    EXPECT_LT(longRun.allocations - shortRun.allocations, 40)
        << shortRun.allocations << " then " << longRun.allocations;
}

TEST(ReferenceMachine, DupGivesAComputedStringItsOwnCopy) {
    // The left "ab" is extended in place by the second "+"; its duplicate must not change with it.
    HandPoliz p(Engine::REFERENCE);
    p.emit({p.s("a"), p.s("b"), "+", "dup", p.s("c"), "+", p.n(2), "write"});
    EXPECT_EQ(p.output(), "ababc");
}

TEST(ReferenceMachine, ConsumedStringsMayBeUsedAgainAfterBackspaceAndComparison) {
    HandPoliz p(Engine::REFERENCE);
    Ident* s = p.var("s", "string", std::string("q"));
    p.emit({p.s("a"), p.s("b"), "+", "backspace", p.s("c"), p.s("d"), "+", p.s("cd"), "==", p.n(1), "write"});
    p.emit(
        {p.temp("string"), s, p.s("e"), "+", p.s("f"), "+", "=", p.s("g"), p.s("h"), "+", p.n(2), "write"});
    EXPECT_EQ(p.output(), "1qefgh");
}

TEST(ReferenceMachine, RestoredStateKeepsItsComputedStrings) {
    HandPoliz p(Engine::REFERENCE);
    p.emit({p.s("ab"), p.s("cd"), "+", p.s("ef"), p.s("gh"), "+", "+", p.n(1), "write"});
    std::istringstream in;
    std::ostringstream out;
    StackMachine machine(p.poliz, in, out);
    for (int k = 0; k < 6; ++k) machine.step();
    const StackMachine::State saved = machine.save();
    machine.run();  // joins the two strings, extending the first one's buffer, and writes
    EXPECT_EQ(out.str(), "abcdefgh");
    EXPECT_TRUE(machine.stack().empty());

    machine.restore(saved);
    ASSERT_EQ(machine.stack().size(), 2u);
    EXPECT_EQ(textOf(machine.stack()[0]), "abcd");
    EXPECT_EQ(textOf(machine.stack()[1]), "efgh");
    EXPECT_EQ(machine.pc(), 6);
    machine.run();
    EXPECT_EQ(out.str(), "abcdefghabcdefgh");

    // The same state restores again: restoring copies it.
    machine.restore(saved);
    EXPECT_EQ(textOf(machine.stack()[0]), "abcd");
}
