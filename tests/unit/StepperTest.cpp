// The stepper's memory of past steps: the bounded history that "back" walks, the program input
// that is given back, and a session longer than the history.
#include <gtest/gtest.h>

#include <istream>
#include <sstream>
#include <string>

#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "show/BoundedStack.h"
#include "show/ReplayInput.h"
#include "show/Stepper.h"

TEST(BoundedStack, DropsTheOldestAndReusesSlots) {
    BoundedStack<int> stack(3);
    for (int k = 1; k <= 5; ++k) stack.push() = k;
    EXPECT_TRUE(stack.dropped());
    std::string popped;
    while (!stack.empty()) {
        popped += std::to_string(stack.top());
        stack.pop();
    }
    EXPECT_EQ(popped, "543");
    // After the ring has wrapped, pushes and pops still pair up.
    stack.push() = 6;
    stack.push() = 7;
    stack.pop();
    EXPECT_EQ(stack.top(), 6);
}

TEST(BoundedStack, ForgetsFromTheBottomOnRequest) {
    BoundedStack<int> stack(3);
    for (int k = 1; k <= 3; ++k) stack.push() = k;
    EXPECT_EQ(stack.bottom(), 1);
    stack.dropBottom();
    EXPECT_EQ(stack.bottom(), 2);
    EXPECT_EQ(stack.size(), 2u);
    EXPECT_TRUE(stack.dropped());
    // The slot given up is the next one pushed, and the order stays.
    stack.push() = 4;
    EXPECT_EQ(stack.bottom(), 2);
    EXPECT_EQ(stack.top(), 4);
    stack.pop();
    stack.pop();
    EXPECT_EQ(stack.top(), 2);
}

TEST(ReplayInput, GivesBackWhatWasReadWithoutAskingAgain) {
    int asked = 0;
    ReplayInput input([&asked](std::string& line) {
        if (asked == 2) return false;
        line = asked++ == 0 ? "12 ab" : "3.5";
        return true;
    });
    std::istream in(&input);
    int n = 0;
    in >> n;
    const std::size_t afterNumber = input.position();
    std::string word;
    in >> word;
    EXPECT_EQ(n, 12);
    EXPECT_EQ(word, "ab");
    EXPECT_EQ(input.between(afterNumber, input.position()), " ab");

    input.rewind(0);
    in.clear();
    in >> n >> word;
    float r = 0;
    in >> r;
    EXPECT_EQ(n, 12);
    EXPECT_EQ(word, "ab");
    EXPECT_EQ(r, 3.5f);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(in >> r);  // the source has ended
}

TEST(Stepper, BackStopsWhereTheHistoryEnds) {
    Poliz poliz;
    Parser parser(Source::fromText("program { int n = 0; while (n < 5000) n = n + 1; write(n); }"), poliz);
    parser.go();
    const std::string backs = "back " + std::to_string(Stepper::kHistoryLimit + 1) + "\n";
    std::istringstream commands("c\n" + backs + "p\n" + backs + "q\n");
    std::ostringstream out;
    Stepper stepper(poliz, {}, commands, out, false, nullptr);
    EXPECT_EQ(stepper.run(), 0);
    const std::string transcript = out.str();
    EXPECT_NE(transcript.find("output: \"5000\""), std::string::npos) << transcript;
    const std::string forgotten =
        "No earlier step is remembered: only the last " + std::to_string(Stepper::kHistoryLimit) + " are.";
    // The first "back" goes as far as the history reaches; the second cannot move.
    EXPECT_NE(transcript.find(forgotten + "\nback at"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("(step) " + forgotten), std::string::npos);
    // A round of the loop is 17 items: 10000 steps before the end, n was 4412.
    EXPECT_NE(transcript.find("(step) n=4412:int"), std::string::npos) << transcript;
}
