// Memory of a run does not grow with the work done: on every machine, a long hand-built loop of
// integer, real and string statements makes exactly as many heap allocations as a short one,
// and no lexemes.
#include <gtest/gtest.h>

#include "CountingAllocator.h"
#include "Engines.h"
#include "HandPoliz.h"
#include "fast/FastRun.h"

namespace {

// Takes every character and keeps none (a stream without a buffer would report failure).
class DiscardBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct LoopRun {
    long allocations;
    std::size_t lexemes;
    std::string output;
};

// while (i < n) { i = i + 1; r = r * 0.5 + i; s = t + "...", s < t; (strings made and
// consumed); read(k); read(x); read(line); write(i, s); } write(i, r)
// with every statement's temporary removed by "backspace". Output goes to a stream that
// discards it, so only the interpreter's own buffers could grow.
LoopRun runLoop(std::int32_t n, Engine engine) {
    HandPoliz p(engine);
    Ident* i = p.var("i", "int", 0);
    Ident* r = p.var("r", "real", 1.0f);
    Ident* s = p.var("s", "string", std::string());
    Ident* t = p.var("t", "string", std::string("a string longer than the short-string buffer"));
    Ident* k = p.var("k", "int");
    Ident* x = p.var("x", "real");
    Ident* line = p.var("line", "string");
    int head = p.mark();
    p.emit({p.temp("int"), i, p.n(n), "<", "="});
    int leave = p.mark();
    p.emit({"jumpfalse"});
    p.emit({p.temp("int"), i, i, p.n(1), "+", "=", "=", "backspace"});
    p.emit({p.temp("real"), r, r, p.r(0.5f), "*", i, "+", "=", "=", "backspace"});
    p.emit({p.temp("string"), s, t, p.s(" and more"), "+", "=", "=", "backspace"});
    p.emit({p.temp("int"), s, t, "<", "=", "backspace"});
    // Computed strings consumed every way: extended, joined to, compared, copied, dropped.
    p.emit({p.temp("int"), s, p.s("x"), "+", t, s, p.s("q"), "+", "+", "+", p.s("y"), "+", t, p.s("z"), "+",
            "<", "=", "backspace"});
    p.emit({p.temp("int"), s, p.s("d"), "+", "dup", "==", "=", "backspace"});
    p.emit({s, p.s("w"), "+", "backspace"});
    p.emit({k, "read", x, "read", line, "read", i, "dup", "backspace", "backspace"});
    p.emit({p.temp("int"), i, "=", p.temp("string"), s, "=", p.n(2), "write"});
    p.emit({p.label(head), "jump"});
    p.patch(leave, p.mark());
    std::string input;
    for (std::int32_t turn = 0; turn < n; ++turn)
        input += "7 2.5\na line longer than the short-string buffer\n";
    std::istringstream in(input);
    DiscardBuffer nowhere;
    std::ostream discard(&nowhere);
    const std::size_t lexemesBefore = p.poliz.store().size();
    const long before = allocationCount();
    runOn(engine, p.poliz, in, discard);
    LoopRun result{allocationCount() - before, p.poliz.store().size() - lexemesBefore, ""};
    std::ostringstream out;
    p.emit({i, r, p.n(2), "write"});
    runOn(engine, p.poliz, in, out);
    result.output = out.str();
    return result;
}

}  // namespace

class BoundedMemory : public ::testing::TestWithParam<Engine> {};

TEST_P(BoundedMemory, LongLoopAllocatesNoMoreThanShortLoop) {
    runLoop(1, GetParam());  // first-use allocations of the library
    LoopRun shortRun = runLoop(1000, GetParam());
    LoopRun longRun = runLoop(200000, GetParam());
    EXPECT_EQ(longRun.output, "200000399998");  // the loop really ran
    EXPECT_EQ(shortRun.lexemes, 0u);
    EXPECT_EQ(longRun.lexemes, 0u);
    EXPECT_EQ(longRun.allocations, shortRun.allocations);
}

INSTANTIATE_TEST_SUITE_P(Machines, BoundedMemory,
                         ::testing::Values(Engine::FAST, Engine::FAST_PLAIN, Engine::REFERENCE),
                         [](const auto& info) { return std::string(nameOf(info.param)); });
