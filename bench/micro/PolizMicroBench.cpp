// Hand-built POLIZ loops shaped as the translator lays them out, timed per loop iteration:
// integer, real and string work, short-circuit conditions and a case dispatch.
#include <benchmark/benchmark.h>

#include <functional>

#include "HandPoliz.h"
#include "fast/FastRun.h"

namespace {

constexpr std::int32_t kIterations = 100000;

// while (i < n) { body } with i counting up; the body's statements leave nothing behind.
void runLoop(benchmark::State& state, const std::function<void(HandPoliz&, Ident* i)>& body) {
    HandPoliz p;
    Ident* i = p.var("i", "int", 0);
    int head = p.mark();
    p.emit({p.temp("int"), i, p.n(kIterations), "<", "="});
    int leave = p.mark();
    p.emit({"jumpfalse"});
    body(p, i);
    p.emit({p.temp("int"), i, i, p.n(1), "+", "=", "=", "backspace", p.label(head), "jump"});
    p.patch(leave, p.mark());
    std::istringstream in;
    std::ostringstream out;
    for (auto _ : state) {
        i->assign(0);
        runFast(p.poliz, in, out);
    }
    state.SetItemsProcessed(state.iterations() * kIterations);
}

// sum = sum + i * 3 - i / 7
void integerWork(benchmark::State& state) {
    runLoop(state, [](HandPoliz& p, Ident* i) {
        Ident* sum = p.var("sum", "int", 0);
        p.emit({p.temp("int"), sum, sum, i, p.n(3), "*", "+", i, p.n(7), "/", "-", "=", "=", "backspace"});
    });
}

// x = x * 0.5 + 1.25; y = y + x * x
void realWork(benchmark::State& state) {
    runLoop(state, [](HandPoliz& p, Ident*) {
        Ident* x = p.var("x", "real", 0.0f);
        Ident* y = p.var("y", "real", 0.0f);
        p.emit({p.temp("real"), x, x, p.r(0.5f), "*", p.r(1.25f), "+", "=", "=", "backspace"});
        p.emit({p.temp("real"), y, y, x, x, "*", "+", "=", "=", "backspace"});
    });
}

// s = t + "tail"; if (s < t) ... as a bare comparison statement
void stringWork(benchmark::State& state) {
    runLoop(state, [](HandPoliz& p, Ident*) {
        Ident* s = p.var("s", "string", std::string());
        Ident* t = p.var("t", "string", std::string("a head long enough to need the heap"));
        p.emit({p.temp("string"), s, t, p.s("tail"), "+", "=", "=", "backspace"});
        p.emit({p.temp("int"), s, t, "<", "=", "backspace"});
    });
}

// c = i > 5 or i < 2 and i != 3, with the translator's short-circuit layout
void shortCircuit(benchmark::State& state) {
    runLoop(state, [](HandPoliz& p, Ident* i) {
        Ident* c = p.var("c", "int", 0);
        p.emit({p.temp("int"), c, i, p.n(5), ">", "dup", "not"});
        int orHole = p.mark();
        p.emit({"jumpfalse", i, p.n(2), "<", "dup"});
        int andHole = p.mark();
        p.emit({"jumpfalse", i, p.n(3), "!=", "and"});
        p.patch(andHole, p.mark());
        p.emit({"or"});
        p.patch(orHole, p.mark());
        p.emit({"=", "=", "backspace"});
    });
}

}  // namespace

BENCHMARK(integerWork);
BENCHMARK(realWork);
BENCHMARK(stringWork);
BENCHMARK(shortCircuit);
