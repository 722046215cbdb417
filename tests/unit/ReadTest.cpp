// "read" as formatted stream input: what each type takes from the input, what it leaves, the
// two input errors, and that pending output is visible before the program waits.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "Engines.h"
#include "HandPoliz.h"
#include "fast/FastRun.h"

namespace {

// Reads into each variable in turn, then writes them all with "|" between them.
std::string readAll(std::initializer_list<const char*> types, const std::string& input) {
    HandPoliz p;
    std::vector<Ident*> vars;
    for (const char* type : types) {
        std::string name = "v";
        name += std::to_string(vars.size());
        vars.push_back(p.var(name, type));
        p.emit({vars.back(), "read"});
    }
    for (Ident* v : vars) p.emit({v, p.s("|")});
    p.emit({p.n(2 * static_cast<std::int32_t>(vars.size())), "write"});
    HandPoliz::Outcome o = p.run(input);
    return o.error.empty() ? o.out : o.out + o.error;
}

}  // namespace

TEST(Read, NumbersSkipLineBreaksAndLeaveTheRestOfTheLine) {
    EXPECT_EQ(readAll({"int", "real"}, "\n\n  42\n\t-2.5e1"), "42|-25|");
    EXPECT_EQ(readAll({"int", "real"}, "3.7"), "3|0.7|");  // the int stops at the point
    EXPECT_EQ(readAll({"real", "int"}, "+.5 -0"), "0.5|0|");
    EXPECT_EQ(readAll({"int"}, "2147483647x"), "2147483647|");
}

TEST(Read, StringsTakeWholeLinesUntilOneIsNotEmpty) {
    EXPECT_EQ(readAll({"int", "string"}, "5 hello\n"), "5| hello|");
    EXPECT_EQ(readAll({"int", "string"}, "5\nhello\n"), "5|hello|");
    EXPECT_EQ(readAll({"int", "string"}, "5  \nhello"), "5|  |");  // blanks are not empty
    EXPECT_EQ(readAll({"string", "string"}, "\n\n a b \n\nlast"), " a b |last|");
}

TEST(Read, InputThatIsNoNumberOfTheTypeIsInvalid) {
    EXPECT_EQ(readAll({"int"}, "abc"), "Invalid input for 'v0'!");
    EXPECT_EQ(readAll({"int"}, " -"), "Invalid input for 'v0'!");
    EXPECT_EQ(readAll({"int"}, "2147483648"), "Invalid input for 'v0'!");
    EXPECT_EQ(readAll({"int", "int"}, "1 .5"), "Invalid input for 'v1'!");
    EXPECT_EQ(readAll({"real"}, "1e50"), "Invalid input for 'v0'!");
    EXPECT_EQ(readAll({"real"}, "1e+"), "Invalid input for 'v0'!");
}

TEST(Read, ExhaustedInputIsReportedForEveryType) {
    EXPECT_EQ(readAll({"int"}, ""), "Unexpected end of input for 'v0'!");
    EXPECT_EQ(readAll({"real"}, " \n\t\n"), "Unexpected end of input for 'v0'!");
    EXPECT_EQ(readAll({"int", "int"}, "7"), "Unexpected end of input for 'v1'!");
    EXPECT_EQ(readAll({"string"}, "\n\n"), "Unexpected end of input for 'v0'!");
    EXPECT_EQ(readAll({"int", "string"}, "7\n"), "Unexpected end of input for 'v1'!");
}

namespace {

// An output that reaches its reader only when flushed, as a terminal's or a pipe's does.
class HeldOutput : public std::stringbuf {
public:
    std::string delivered;
    int sync() override {
        delivered = str();
        return 0;
    }
};

// An input that notes what had reached the output at the moment the program first waits.
class WatchingInput : public std::streambuf {
    const HeldOutput& out;
    std::string data;
    bool served = false;

public:
    std::string seen = "<never read>";
    WatchingInput(const HeldOutput& out, std::string data) : out(out), data(std::move(data)) {}
    int_type underflow() override {
        if (served) return traits_type::eof();
        served = true;
        seen = out.delivered;
        setg(data.data(), data.data(), data.data() + data.size());
        return traits_type::to_int_type(data[0]);
    }
};

}  // namespace

TEST(Read, PromptIsVisibleBeforeTheProgramWaits) {
    for (Engine engine : {Engine::FAST, Engine::FAST_PLAIN, Engine::REFERENCE}) {
        HandPoliz p;
        Ident* name = p.var("name", "string");
        p.emit({p.s("Name? "), p.n(1), "write", name, "read", p.s("Hi, "), name, p.n(2), "write"});
        HeldOutput held;
        std::ostream out(&held);
        WatchingInput buffer(held, "Ann\n");
        std::istream in(&buffer);
        runOn(engine, p.poliz, in, out);
        EXPECT_EQ(buffer.seen, "Name? ") << nameOf(engine);
        EXPECT_EQ(held.str(), "Name? Hi, Ann") << nameOf(engine);
    }
}
