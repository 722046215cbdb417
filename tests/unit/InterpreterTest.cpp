// The stack machine on hand-built POLIZ: arithmetic corners, fetch order and the errors it
// decides, reference semantics, the translator's jump layouts, malformed sequences, the trace.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "HandPoliz.h"

namespace {

std::string error(HandPoliz& p) { return p.run().error; }

// Every case runs on the reference machine and on the fast backend, with its fused instruction
// forms and with the plain ones: the machines must agree on every result, error and address.
class Interpreter : public testing::TestWithParam<Engine> {
protected:
    Engine engine() const { return GetParam(); }
    bool fused() const { return GetParam() == Engine::FAST; }
};

std::string unassigned(const char* name) {
    return std::string("Using value of '") + name + "' was not assigned!";
}

}  // namespace

TEST_P(Interpreter, IntegerArithmeticWrapsAndTruncatesTowardZero) {
    HandPoliz p(engine());
    p.writeExpr("int", {p.n(INT_MAX), p.n(1), "+"});
    p.writeExpr("int", {p.n(INT_MIN), p.n(1), "-"});
    p.writeExpr("int", {p.n(65536), p.n(65536), "*"});
    p.writeExpr("int", {p.n(INT_MIN), "~"});
    p.writeExpr("int", {p.n(INT_MIN), p.n(-1), "/"});
    p.emit({p.n(7), p.n(2), "/", p.n(-7), p.n(2), "/", p.n(7), p.n(-2), "/", p.n(3), "write"});
    EXPECT_EQ(p.output(),
              "-2147483648"
              "2147483647"
              "0"
              "-2147483648"
              "-2147483648"
              "3-3-3");
}

TEST_P(Interpreter, RealArithmeticIsSinglePrecisionAndNanComparesFalseExceptNotEqual) {
    HandPoliz p(engine());
    Ident* half = p.var("h", "real", 1.5f);
    p.emit({p.r(7.0f), p.n(2), "/", p.n(1), p.r(2.5f), "+", half, "~", p.n(3), "write"});
    // 2^24 + 1 is not a float, so the sum rounds back; in double it would not.
    p.writeExpr("int", {p.r(16777216.0f), p.r(1.0f), "+", p.r(16777216.0f), "=="});
    p.emit({p.r(1234567.0f), p.r(0.00001f), p.n(2), "write"});
    Ident* nan = p.var("q", "real");  // infinity - infinity
    p.emit({nan, p.r(1e38f), p.r(10.0f), "*", p.r(1e38f), p.r(10.0f), "*", "-", "=", "backspace"});
    for (const char* cmp : {"<", ">", "<=", ">=", "==", "!="}) p.emit({nan, nan, cmp});
    p.emit({nan, p.n(1), "<", p.n(7), "write"});
    EXPECT_EQ(p.output(),
              "3.53.5-1.511.23457e+061e-05"
              "0000010");
}

TEST_P(Interpreter, AssignmentConvertsAndChainsStoreIntoTheLeftmostVariable) {
    HandPoliz p(engine());
    Ident* i = p.var("i", "int");
    Ident* x = p.var("x", "real");
    p.emit({i, p.r(2.7f), "=", p.n(1), "write", i, p.r(-2.7f), "=", p.n(1), "write", x, p.n(3), "=", p.n(1),
            "write"});
    // a = b = c: T a b "=" c "=" "="
    Ident* a = p.var("a", "int");
    Ident* b = p.var("b", "int", 2);
    Ident* c = p.var("c", "int", 3);
    Ident* t = p.temp("int");
    p.emit({t, a, b, "=", c, "=", "=", a, b, c, p.n(3), "write"});
    EXPECT_EQ(p.output(), "2-23323");
    EXPECT_EQ(t->rawInt(), 3);  // T stayed on the stack
}

TEST_P(Interpreter, VariablesAreFetchedWhenConsumedNotWhenPushed) {
    HandPoliz p(engine());
    Ident* x = p.var("x", "int", 1);
    // x + (x = 5) adds 5 + 5; "dup" duplicates the reference, not the value.
    p.writeExpr("int", {x, x, p.n(5), "=", "+"});
    p.emit({x, "dup", x, p.n(9), "=", "backspace", "+", p.n(1), "write"});
    EXPECT_EQ(p.output(), "1018");
}

TEST_P(Interpreter, FetchOrderDecidesWhichUnassignedVariableIsNamed) {
    struct Case {
        const char* type;
        const char* word;
        const char* named;
    };
    // op2 is the left operand (pushed first, named "l"), op1 the right ("r").
    for (const Case& c : {Case{"int", "+", "l"}, Case{"int", "-", "l"}, Case{"real", "*", "l"},
                          Case{"int", "<", "l"}, Case{"int", "and", "l"}, Case{"int", "or", "l"},
                          Case{"int", "/", "r"}, Case{"string", "+", "r"}, Case{"string", "==", "r"}}) {
        HandPoliz p(engine());
        p.emit({p.var("l", c.type), p.var("r", c.type), c.word});
        EXPECT_EQ(error(p), unassigned(c.named)) << c.type << " " << c.word;
    }
}

TEST_P(Interpreter, DivisionByZeroIsCheckedOnTheRightOperandFirst) {
    for (Lex* (*zero)(HandPoliz&) :
         {+[](HandPoliz& p) { return p.n(0); }, +[](HandPoliz& p) { return p.r(0.0f); },
          +[](HandPoliz& p) { return p.r(-0.0f); }}) {
        HandPoliz p(engine());
        p.emit({p.var("never", "real"), zero(p), "/"});  // the left one is never fetched
        EXPECT_EQ(error(p), "Division by zero!");
    }
    HandPoliz p(engine());
    p.emit({p.n(1), p.r(1e-30f), "/", p.n(1), "write"});
    EXPECT_EQ(p.output(), "1e+30");
}

// A op B as the translator lays the chains out, stored in the expression's temporary:
//   or:  T A dup not L(x) jumpfalse B or [x] =      and:  T A dup L(x) jumpfalse B and [x] =
TEST_P(Interpreter, OrAndChainsKeepADecidingLeftOperandsValue) {
    auto chain = [this](const char* word, std::int32_t left, Ident* (*right)(HandPoliz&)) {
        HandPoliz p(engine());
        p.emit({p.temp("int"), p.n(left), "dup"});
        if (std::string(word) == "or") p.emit({"not"});
        int hole = p.mark();
        p.emit({"jumpfalse", right(p), word});
        p.patch(hole, p.mark());
        p.emit({"=", p.n(1), "write"});
        return p.output();
    };
    auto five = +[](HandPoliz& p) { return p.var("five", "int", 5); };
    auto zero = +[](HandPoliz& p) { return p.var("zero", "int", 0); };
    auto never = +[](HandPoliz& p) { return p.var("never", "int"); };
    EXPECT_EQ(chain("or", 5, zero), "5");
    EXPECT_EQ(chain("or", 0, five), "1");
    EXPECT_EQ(chain("or", 0, zero), "0");
    EXPECT_EQ(chain("or", 3, never), "3");
    EXPECT_EQ(chain("and", 0, never), "0");
    EXPECT_EQ(chain("and", 4, five), "1");
    // The words themselves: op2 decides first, and the integer value of a real is truncated.
    HandPoliz p(engine());
    Ident* unset = p.var("never", "int");
    p.emit({p.n(0), unset, "and", p.n(3), unset, "or", p.r(0.5f), p.n(1), "and", p.n(0), "not", p.n(7), "not",
            p.n(5), "write"});
    EXPECT_EQ(p.output(), "01010");
}

TEST_P(Interpreter, StringsConcatenateAndCompareByByteCodes) {
    HandPoliz p(engine());
    Ident* s = p.var("s", "string", std::string("ab"));
    p.writeExpr("string", {s, p.s("cd"), "+", p.s("e"), "+"});
    p.emit({p.s("abc"), p.s("abd"), "<", p.s("b"), p.s("abc"), ">", p.s(""), p.s(""), "==", p.s("\xc3\xa9"),
            p.s("z"), ">", p.s("ab"), p.s("ab "), ">=", p.n(5), "write"});
    p.emit({p.s("+"), p.s("x"), "+", "dup", "+", p.n(1), "write"});  // a constant "+" is an operand
    // Computed strings on the right of "+" and of a comparison, which the translator always
    // stores in a temporary first.
    p.emit({s, p.s("c"), p.s("d"), "+", "+", s, p.s("b"), "+", p.s("c"), p.s("d"), "+", "+", "+", p.n(1),
            "write"});
    p.emit({p.s("a"), p.s("b"), "+", p.s("a"), p.s("c"), "+", "<", p.n(1), "write"});
    EXPECT_EQ(p.output(), "abcde11110+x+xabcdabbcd1");
}

TEST_P(Interpreter, WriteIsInSourceOrderAndOutputBeforeAnErrorStaysWritten) {
    HandPoliz p(engine());
    p.emit({p.s("a"), p.n(1), p.r(2.5f), p.n(3), "write", p.var("r", "real", 3.0f), p.n(1), "write"});
    p.emit({p.n(1), p.n(0), "/", p.s("after"), p.n(1), "write"});
    HandPoliz::Outcome o = p.run();
    EXPECT_EQ(o.out, "a12.53");
    EXPECT_EQ(o.error, "Division by zero!");
    HandPoliz q(engine());  // the temporary's store fails before "write" runs
    q.writeExpr("int", {q.var("x", "int")});
    EXPECT_EQ(q.run().error, unassigned("x"));
}

// "jumpfalse" on a lone value jumps when its integer value is 0 (a real truncated), else not.
TEST_P(Interpreter, JumpfalseJumpsOnZeroOnly) {
    HandPoliz p(engine());
    auto test = [&p](Lex* condition, int shown) {
        p.emit({condition});
        const int hole = p.mark();
        p.emit({"jumpfalse", p.n(shown), p.n(1), "write"});
        p.patch(hole, p.mark());
    };
    test(p.var("zero", "int", 0), 0);
    test(p.var("one", "int", 1), 1);
    test(p.var("minus", "int", -1), 2);
    test(p.var("half", "real", 0.5f), 3);
    test(p.var("many", "real", -7.5f), 4);
    test(p.n(0), 5);
    test(p.n(6), 6);
    EXPECT_EQ(p.output(), "1246");
}

// while (i < 3) { write(i); i = i + 1; }, a for loop with continue, and a case dispatch.
TEST_P(Interpreter, LoopAndCaseLayoutsRun) {
    HandPoliz p(engine());
    Ident* i = p.var("i", "int", 0);
    int head = p.mark();
    p.emit({p.temp("int"), i, p.n(3), "<", "="});
    int leave = p.mark();
    p.emit({"jumpfalse"});
    p.writeExpr("int", {i});
    p.emit({p.temp("int"), i, i, p.n(1), "+", "=", "=", "backspace", p.label(head), "jump"});
    p.patch(leave, p.mark());
    // case (i) of 1, 3: write("x"); 4: write("y"); end;
    Ident* sel = p.temp("int");
    p.emit({sel, i, "="});
    p.mark();
    std::vector<int> toBody;
    for (int value : {1, 3}) {
        p.emit({p.n(value), sel, "!="});
        toBody.push_back(p.mark());
        p.emit({"jumpfalse"});
    }
    int next = p.mark();
    p.emit({"jump"});
    int body = p.mark();
    for (int hole : toBody) p.patch(hole, body);
    p.writeExpr("string", {p.s("x")});
    p.patch(next, p.mark());
    p.emit({p.n(4), sel, "!="});
    int toY = p.mark();
    p.emit({"jumpfalse"});
    int end = p.mark();
    p.emit({"jump"});
    p.patch(toY, p.mark());
    p.writeExpr("string", {p.s("y")});
    p.patch(end, p.mark());
    p.emit({"backspace"});
    EXPECT_EQ(p.output(), "012x");
}

TEST_P(Interpreter, TemporariesPushedElsewhereStillReceiveTheirValues) {
    HandPoliz p(engine());
    Ident* x = p.var("x", "int", 4);
    Ident* t = p.temp("int");
    Ident* c = p.temp("int");
    p.emit({t, x, x, p.n(1), "+", "=", "=", "backspace"});  // statement x = x + 1
    p.emit({c, x, p.n(9), "<", "="});                       // condition x < 9 ...
    int hole = p.mark();
    p.emit({"jumpfalse"});
    p.patch(hole, p.mark());
    p.emit({t, c, x, p.n(3), "write"});  // ... whose temporaries are seen again here
    // The same for a statement and a condition on strings, which no compiled form covers.
    Ident* s = p.var("s", "string");
    Ident* u = p.temp("string");
    Ident* v = p.temp("int");
    p.emit({u, s, p.s("a"), p.s("b"), "+", "=", "=", "backspace"});
    p.emit({v, s, p.s("ab"), "==", "="});
    hole = p.mark();
    p.emit({"jumpfalse"});
    p.patch(hole, p.mark());
    p.emit({u, v, p.n(2), "write"});
    EXPECT_EQ(p.output(), "515ab1");
}

TEST_P(Interpreter, JumpsMayLandInsideAFusedShape) {
    HandPoliz p(engine());
    // 1 2 "+" would run as one fused step; landing after the 1 must still add 5 + 2.
    p.emit({p.n(5), p.label(3), "jump", p.n(1), p.n(2), "+", p.n(1), "write"});
    EXPECT_EQ(p.output(), "7");
}

TEST_P(Interpreter, MalformedSequencesStopWithAClearError) {
    auto failure = [this](std::initializer_list<const char*> words, Lex* (*operand)(HandPoliz&)) {
        HandPoliz p(engine());
        if (operand) p.emit({operand(p)});
        for (const char* w : words) p.emit({w});
        return error(p);
    };
    auto one = +[](HandPoliz& p) { return p.n(1); };
    auto text = +[](HandPoliz& p) { return p.s("t"); };
    auto far = +[](HandPoliz& p) { return p.label(99); };
    auto justPast = +[](HandPoliz& p) { return p.label(2); };  // the program's length
    auto before = +[](HandPoliz& p) { return p.label(-1); };
    EXPECT_EQ(failure({"+"}, one), "Too few operands for '+' at address 1!");
    EXPECT_EQ(failure({"backspace"}, nullptr), "Too few operands for 'backspace' at address 0!");
    // Every word that pops checks first that its operands are there.
    EXPECT_EQ(failure({"jumpfalse"}, far), "Too few operands for 'jumpfalse' at address 1!");
    EXPECT_EQ(failure({"jump"}, nullptr), "Too few operands for 'jump' at address 0!");
    for (const char* word : {"*", "/", "-", "<", "==", "and", "or", "="})
        EXPECT_EQ(failure({word}, one), std::string("Too few operands for '") + word + "' at address 1!");
    for (const char* word : {"not", "~", "dup", "read"})
        EXPECT_EQ(failure({word}, nullptr), std::string("Too few operands for '") + word + "' at address 0!");
    EXPECT_EQ(failure({"write"}, nullptr), "Too few operands for 'write' at address 0!");
    EXPECT_EQ(failure({"dup", "-"}, text), "Operand types match no form of '-' at address 2!");
    EXPECT_EQ(failure({"not"}, text), "Operand types match no form of 'not' at address 1!");
    EXPECT_EQ(failure({"jump"}, one), "'jump' at address 1 needs a label!");
    EXPECT_EQ(failure({"jump"}, far), "Jump to address 99 outside the program at address 1!");
    EXPECT_EQ(failure({"jump"}, justPast), "Jump to address 2 outside the program at address 1!");
    EXPECT_EQ(failure({"jump"}, before), "Jump to address -1 outside the program at address 1!");
    EXPECT_EQ(failure({"dup", "="}, one), "'=' at address 2 needs a variable as its target!");
    {  // T x a b "+" "=" "=" "backspace", with a constant where T or x belongs
        HandPoliz t(engine());
        Ident* x = t.var("x", "int");
        t.emit({t.n(5), x, t.n(1), t.n(2), "+", "=", "=", "backspace"});
        EXPECT_EQ(error(t), "'=' at address 6 needs a variable as its target!");
        HandPoliz u(engine());
        u.emit({u.temp("int"), u.n(5), u.n(1), u.n(2), "+", "=", "=", "backspace"});
        EXPECT_EQ(error(u), "'=' at address 5 needs a variable as its target!");
    }
    EXPECT_EQ(failure({"read"}, one), "'read' at address 1 needs a variable!");
    HandPoliz p(engine());
    p.emit({p.n(1), p.n(3), "write"});
    EXPECT_EQ(error(p), "Too few operands for 'write' at address 2!");
    // A string with a number, whichever side each stands on, fits no form of any word.
    for (const bool stringFirst : {true, false})
        for (const char* word : {"+", "<", "==", "!="}) {
            HandPoliz q(engine());
            if (stringFirst)
                q.emit({q.s("a"), q.n(1), word});
            else
                q.emit({q.n(1), q.s("a"), word});
            EXPECT_EQ(error(q), std::string("Operand types match no form of '") + word + "' at address 2!");
        }
    for (const char* type : {"int", "string"}) {
        HandPoliz q(engine());
        Ident* target = q.var("v", type);
        q.emit({target});
        q.emit({type[0] == 'i' ? q.s("a") : q.n(1), "="});
        EXPECT_EQ(error(q), "Operand types match no form of '=' at address 2!");
    }
    HandPoliz w(engine());
    w.emit({w.n(-1), "write"});
    EXPECT_EQ(error(w), "'write' at address 1 has a negative item count!");
    HandPoliz none(engine());  // a count of 0 writes nothing and is no error
    none.emit({none.s("a"), none.n(0), "write", none.n(1), "write"});
    EXPECT_EQ(none.output(), "a");
    // A variable without a type is still a variable: no form of "=" or "read" fits it.
    for (const char* word : {"=", "read"}) {
        HandPoliz v(engine());
        Ident* untyped = v.poliz.store().make<Ident>(Buffer("v"));
        v.emit({untyped});
        if (word[0] == '=') v.emit({v.n(1)});
        v.emit({word});
        EXPECT_EQ(error(v), std::string("Operand types match no form of '") + word + "' at address " +
                                (word[0] == '=' ? "2" : "1") + "!");
    }
    HandPoliz u(engine());  // words outside the vocabulary do nothing
    u.emit({"if", ";", u.n(4), "empty", u.n(1), "write"});
    EXPECT_EQ(u.output(), "4");
}

INSTANTIATE_TEST_SUITE_P(Machines, Interpreter,
                         testing::Values(Engine::REFERENCE, Engine::FAST, Engine::FAST_PLAIN),
                         [](const testing::TestParamInfo<Engine>& info) { return nameOf(info.param); });

// The fast backend hands its output to the stream once a chunk is full, and the rest at the end:
// a page that shows output as it comes asks for small chunks and gets each as soon as it fills.
TEST(OutputChunks, OutputIsHandedOnOnceAChunkIsFull) {
    struct Recorder : std::streambuf {
        std::vector<std::string> pieces;
        std::streamsize xsputn(const char* s, std::streamsize n) override {
            pieces.emplace_back(s, static_cast<std::size_t>(n));
            return n;
        }
    } recorder;
    std::ostream out(&recorder);
    std::istringstream in;
    HandPoliz p;
    p.emit({p.s("abc"), p.n(1), "write", p.s("d"), p.n(1), "write", p.s("ef"), p.n(1), "write"});
    runFast(p.poliz, in, out, RunOptions{true, 4});
    EXPECT_EQ(recorder.pieces, (std::vector<std::string>{"abcd", "ef"}));
    // By default a long output goes out in pieces of 32 KiB, so that the buffer stays small.
    recorder.pieces.clear();
    HandPoliz many;
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i) many.emit({many.s(line), many.n(1), "write"});
    runFast(many.poliz, in, out);
    ASSERT_EQ(recorder.pieces.size(), 4u);
    EXPECT_EQ(recorder.pieces[0].size(), 33000u);  // the first write past 32768 bytes
    EXPECT_EQ(recorder.pieces[3].size(), 1000u);
}
