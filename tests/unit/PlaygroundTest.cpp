// The playground's C++ side: a captured run reports what poliz prints, and a step session goes
// forward by items, lines and to a line and back again, streams and errors included; the page's
// runs place each error in the source and give its hint.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "driver/RunProgram.h"
#include "fast/FastRun.h"
#include "web/CapturedReport.h"
#include "web/PageOutput.h"
#include "web/PageRun.h"
#include "web/Reply.h"
#include "web/StepSession.h"

namespace {

CapturedReport runCaptured(const std::string& source, const std::string& input) {
    std::istringstream in(input);
    const auto fast = [](const Poliz& poliz, std::istream& programInput, std::ostream& out) {
        runFast(poliz, programInput, out);
    };
    return captureReport([&] { return runProgram(Source::fromText(source), in, std::cout, fast); });
}

// The value of a variable as the step view shows it; "?" when it has none.
std::string valueOf(const StepSession& session, const std::string& name) {
    for (const Ident* variable : session.machine()->variables())
        if (variable->getString() == name) return variable->isAssigned() ? variable->getStringVal() : "?";
    return "<no such variable>";
}

const char* const kLoop =
    "program {\n"             // 1
    "    int i, s = 0, x;\n"  // 2
    "    for (i = 1; i <= 3; i = i + 1)\n"
    "        s = s + i;\n"  // 4
    "    read(x);\n"        // 5
    "    write(s, \" \", x);\n"
    "}\n";

}  // namespace

TEST(CapturedRun, SeparatesOutputAndErrorAsTheConsoleDoes) {
    const CapturedReport ok = runCaptured("program { int x; read(x); write(x * 2); }", "21");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.output, std::string(kCompiledMessage) + "42" + kFinishedMessage);
    EXPECT_EQ(ok.error, "");

    const CapturedReport syntax = runCaptured("program {\n  int a;\n  a = ;\n}\n", "");
    EXPECT_EQ(syntax.status, 2);
    EXPECT_EQ(syntax.errorLine, 3);
    EXPECT_EQ(syntax.output, "");
    EXPECT_EQ(syntax.error.substr(0, 19), "Syntax error (line ");

    // Output written before a runtime error stays, ahead of the message; the error has no line.
    const CapturedReport runtime = runCaptured("program { int x; write(1); read(x); }", "");
    EXPECT_EQ(runtime.status, 4);
    EXPECT_EQ(runtime.errorLine, 0);
    EXPECT_EQ(runtime.output, std::string(kCompiledMessage) + "1");
    EXPECT_EQ(runtime.error, "Runtime error: Unexpected end of input for 'x'!\n");
}

TEST(CapturedRun, LeavesTheStandardStreamsAsTheyWere) {
    std::streambuf* out = std::cout.rdbuf();
    std::streambuf* err = std::cerr.rdbuf();
    runCaptured("program { write(1 / 0); }", "");
    EXPECT_EQ(std::cout.rdbuf(), out);
    EXPECT_EQ(std::cerr.rdbuf(), err);
}

TEST(PageRun, PlacesATranslationErrorAtItsColumnWithItsHint) {
    const std::string lexical("program {\n    int a;\n    a = 1 # 2;\n}\n");
    const CapturedReport shown = runForPage(lexical, "");
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(shown.error, "Error (line 3): unresolved symbol #\n");
    EXPECT_EQ(shown.errorLine, 3);
    EXPECT_EQ(shown.errorColumn, 11);
    EXPECT_EQ(shown.hint, "comments stand between /* and */");

    const std::string syntax("program {\n    int a;\n    a++;\n}\n");
    Poliz poliz;
    std::unique_ptr<Parser> parser;
    const CapturedReport translated = translateForPage(syntax, poliz, parser);
    EXPECT_EQ(translated.status, 2);
    EXPECT_EQ(translated.errorLine, 3);
    EXPECT_EQ(translated.errorColumn, 6);
    EXPECT_EQ(translated.hint, "there is no '++' operator: write a = a + 1 instead");
}

TEST(PageRun, PlacesARuntimeErrorOfTheFastRunByRunningTheReferenceMachine) {
    const std::string file("program {\n    int a, b = 0;\n    write(1);\n    a = 7 / b;\n}\n");
    const CapturedReport shown = runForPage(file, "");
    EXPECT_EQ(shown.status, 4);
    EXPECT_EQ(shown.output, std::string(kCompiledMessage) + "1");
    EXPECT_EQ(shown.error, "Runtime error: Division by zero!\n");
    EXPECT_EQ(shown.errorLine, 4);
    EXPECT_EQ(shown.errorColumn, 11);
    EXPECT_EQ(shown.hint.rfind("item 9 ('/', line 4) divided by zero", 0), 0U) << shown.hint;

    // Past the search's steps the error keeps its message and goes without a place.
    const std::string late(
        "program {\n    int i, b = 0;\n    for (i = 0; i < 1000; i = i + 1) b = 0;\n    i = i / b;\n}\n");
    const CapturedReport unplaced = runForPage(late, "", 100);
    EXPECT_EQ(unplaced.error, "Runtime error: Division by zero!\n");
    EXPECT_EQ(unplaced.errorLine, 0);
    EXPECT_EQ(unplaced.hint, "");
    EXPECT_EQ(runForPage(late, "").errorLine, 4);
}

TEST(StepSession, ReportsATranslationErrorAndHasNoMachine) {
    const std::string file("program {\n  int a;\n  string s;\n  a = s;\n}\n");
    StepSession session(file, "");
    EXPECT_EQ(session.translation().status, 3);
    EXPECT_EQ(session.translation().errorLine, 4);
    EXPECT_EQ(session.machine(), nullptr);
    session.stepItem();  // nothing to step, and no crash
    session.back();
    EXPECT_EQ(session.state()["status"], 3);
}

TEST(StepSession, StepsByItemLineAndToALineAndGoesBack) {
    const std::string file(kLoop);
    StepSession session(file, "7\n");
    ASSERT_NE(session.machine(), nullptr);
    EXPECT_EQ(session.machine()->pc(), 0);
    EXPECT_EQ(session.output(), kCompiledMessage);

    session.stepItem();
    EXPECT_EQ(session.machine()->pc(), 1);
    EXPECT_EQ(session.machine()->stack().size(), 1U);

    // Each run to line 4 enters the loop's body once more.
    for (const char* s : {"0", "1", "3"}) {
        session.runToLine(4);
        EXPECT_EQ(valueOf(session, "s"), s);
    }
    session.stepLine();
    EXPECT_EQ(valueOf(session, "s"), "6");
    const int afterBody = session.machine()->pc();

    session.back();
    EXPECT_EQ(valueOf(session, "s"), "3");
    session.back();
    EXPECT_EQ(valueOf(session, "s"), "1");
    EXPECT_EQ(valueOf(session, "i"), "2");
    session.runToLine(4);
    session.stepLine();
    EXPECT_EQ(valueOf(session, "s"), "6");
    EXPECT_EQ(session.machine()->pc(), afterBody);

    // The read takes 7; going back before it puts the 7 back in the input.
    session.runToLine(6);
    EXPECT_EQ(valueOf(session, "x"), "7");
    session.back();
    EXPECT_EQ(valueOf(session, "x"), "?");
    session.runToLine(6);
    EXPECT_EQ(valueOf(session, "x"), "7");

    session.runToLine(100);  // no such line: on to the end
    EXPECT_TRUE(session.machine()->finished());
    EXPECT_EQ(session.output(), std::string(kCompiledMessage) + "6 7" + kFinishedMessage);
    session.back();
    EXPECT_EQ(session.output(), kCompiledMessage);
    EXPECT_FALSE(session.machine()->finished());
}

TEST(StepSession, StopsAtARuntimeErrorAndGoesBackBeforeIt) {
    const std::string file("program {\n  int a, b = 0;\n  write(\"x\");\n  a = 1 / b;\n}\n");
    StepSession session(file, "");
    session.runToLine(100);
    EXPECT_EQ(session.failure().status, 4);
    EXPECT_EQ(session.failure().error, "Runtime error: Division by zero!\n");
    EXPECT_EQ(session.failure().errorLine, 4);
    EXPECT_EQ(session.failure().errorColumn, 9);
    EXPECT_NE(session.failure().hint, "");
    EXPECT_EQ(session.output(), std::string(kCompiledMessage) + "x");
    const int failedAt = session.machine()->pc();
    session.stepItem();  // stays where it failed
    EXPECT_EQ(session.machine()->pc(), failedAt);

    session.back();
    EXPECT_EQ(session.failure().status, 0);
    EXPECT_EQ(session.machine()->pc(), 0);
    session.stepLine();
    EXPECT_EQ(session.output(), std::string(kCompiledMessage) + "x");
}

TEST(StepSession, StepLineStopsAtEachTurnOfALoopOnOneLine) {
    const std::string file("program {\n  int i = 0;\n  while (i < 3) i = i + 1;\n  write(i);\n}\n");
    StepSession session(file, "");
    session.stepLine();
    EXPECT_EQ(valueOf(session, "i"), "1");
    session.stepLine();
    EXPECT_EQ(valueOf(session, "i"), "2");
}

TEST(StepSession, StateMarksWhatTheLastMoveChanged) {
    const std::string file("program {\n  int a = 1, b = 2;\n  a = 5;\n  b = 6;\n}\n");
    StepSession session(file, "");
    session.stepLine();
    std::vector<std::string> named;  // the variables, temporaries left out
    const Reply state = session.state();
    for (const Reply& variable : state["variables"])
        if (!variable["temporary"].get<bool>()) named.push_back(replyText(variable));
    EXPECT_EQ(
        named,
        (std::vector<std::string>{
            R"({"name":"a","temporary":false,"type":"int","assigned":true,"value":"5","changed":true})",
            R"({"name":"b","temporary":false,"type":"int","assigned":true,"value":"2","changed":false})"}));
}

TEST(PageRun, StopsARunThatWritesPastTheLimitWithAPlainMessage) {
    const std::string file("program {\n    while (1) write(\"an endless line \");\n}\n");
    const CapturedReport shown = runForPage(file, "");
    EXPECT_TRUE(shown.outputLimit);
    EXPECT_EQ(shown.error, kOutputLimitMessage);
    EXPECT_EQ(shown.hint, "");
    EXPECT_EQ(shown.output.size(), kPageOutputLimit);
    EXPECT_EQ(shown.output.rfind(kCompiledMessage, 0), 0U);
}

TEST(PageRun, SaysHowMuchInputWasReadAndWhereItComesFrom) {
    const std::string file("program {\n    int a, b;\n    read(a);\n    read(b);\n}\n");
    const CapturedReport some = runForPage(file, "12\n");
    EXPECT_EQ(some.status, 4);
    EXPECT_EQ(some.inputUsed, 3);
    EXPECT_EQ(some.errorItem, 3);  // a read read b read
    EXPECT_NE(some.hint.find("found no more input for 'b'"), std::string::npos) << some.hint;
    EXPECT_NE(some.hint.find("Input box"), std::string::npos) << some.hint;
    EXPECT_EQ(some.hint.find("poliz prog.ppp"), std::string::npos) << some.hint;

    // An invalid number shows the text the read met, as --explain does.
    const CapturedReport invalid = runForPage(file, "12 x5\n");
    EXPECT_EQ(invalid.status, 4);
    EXPECT_NE(invalid.hint.find("it met \"x5\""), std::string::npos) << invalid.hint;
    // What a read left over is blamed on that read, not on a string constant spelt "read".
    const std::string spelt(
        "program {\n    int a, b;\n    string s;\n    read(a);\n    s = \"read\";\n    read(b);\n}\n");
    const CapturedReport leftOver = runForPage(spelt, "3.5\n");
    EXPECT_NE(leftOver.hint.find("left over on the line by the read of 'a'"), std::string::npos)
        << leftOver.hint;

    // Step mode says the same of the end of the input.
    StepSession session(file, "12\n");
    session.runToLine(100);
    EXPECT_NE(session.failure().hint.find("Input box"), std::string::npos) << session.failure().hint;

    const CapturedReport both = runForPage(file, "12 5 rest");
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(both.inputUsed, 4);
    EXPECT_EQ(both.errorItem, -1);
}

TEST(StepSession, AFailingItemStaysUnrunWithItsOperandsOnTheStack) {
    const std::string file("program {\n  int a, b = 0;\n  write(\"x\");\n  a = 7 / b;\n}\n");
    for (const bool byItems : {false, true}) {
        StepSession session(file, "");
        if (byItems)
            while (session.failure().status == 0 && !session.machine()->finished()) session.stepItem();
        else
            session.runToLine(100);
        ASSERT_EQ(session.failure().status, 4);
        EXPECT_EQ(session.failure().errorItem, session.machine()->pc());
        const auto& stack = session.machine()->stack();
        ASSERT_EQ(stack.size(), 4U);  // the temporary, a, 7 and b
        EXPECT_EQ(stack[2].kind, StackEntry::Kind::INT);
        EXPECT_EQ(stack[2].i, 7);
        EXPECT_EQ(stack[3].kind, StackEntry::Kind::VARIABLE);
        EXPECT_EQ(session.output(), std::string(kCompiledMessage) + "x");
        const Reply top = session.state()["stack"].back();
        EXPECT_EQ(top["kind"], "variable");
        EXPECT_EQ(top["name"], "b");
    }
}

TEST(StepSession, RunToALineWithoutItemsGoesToTheNextLineThatHasSome) {
    const std::string file(kLoop);
    StepSession session(file, "7\n");
    session.runToLine(4);
    session.runToLine(5);  // the loop ends first: the read comes after it
    EXPECT_EQ(valueOf(session, "s"), "6");
    session.back();
    const std::string blank("program {\n  int a = 1;\n  a = 2;\n\n  /* a comment */\n  a = 3;\n}\n");
    StepSession gap(blank, "");
    gap.runToLine(4);  // blank, then a comment: on to line 6
    EXPECT_FALSE(gap.machine()->finished());
    EXPECT_EQ(valueOf(gap, "a"), "2");
    EXPECT_EQ(gap.state()["line"], 6);
}

TEST(StepSession, RunToTheFirstLineArrivesThereAndThenAtEachTurn) {
    const std::string file("program {\n  int i = 0;\n  while (i < 3) i = i + 1;\n  write(i);\n}\n");
    StepSession session(file, "");
    session.runToLine(3);  // already there: nothing runs
    EXPECT_EQ(session.machine()->pc(), 0);
    EXPECT_EQ(valueOf(session, "i"), "0");
    for (const char* i : {"1", "2", "3"}) {
        session.runToLine(3);
        EXPECT_FALSE(session.machine()->finished());
        EXPECT_EQ(valueOf(session, "i"), i);
    }
    session.runToLine(3);
    EXPECT_TRUE(session.machine()->finished());
}

TEST(StepSession, RunToAForHeaderComesThereOncePerTurn) {
    const char* const loops[] = {
        "program {\n  int i, s = 0;\n  for (i = 1; i <= 3; i = i + 1)\n    s = s + i;\n  write(s);\n}\n",
        "program {\n  int i, s = 0;\n  for (i = 1; i <= 3; i = i + 1) s = s + i;\n  write(s);\n}\n",
    };
    for (const char* source : loops) {
        StepSession session(source, "");
        session.runToLine(3);  // the machine starts on the line
        EXPECT_EQ(session.machine()->pc(), 0);
        for (const char* s : {"1", "3", "6"}) {
            session.runToLine(3);
            EXPECT_FALSE(session.machine()->finished()) << source;
            EXPECT_EQ(valueOf(session, "s"), s) << source;
        }
        session.runToLine(3);
        EXPECT_TRUE(session.machine()->finished()) << source;
    }
}

TEST(StepSession, StopsAnEndlessWriterAtTheOutputLimitAndGoesBack) {
    const std::string file("program {\n  while (1) write(\"ab\");\n}\n");
    StepSession session(file, "");
    session.runToLine(100);
    EXPECT_TRUE(session.failure().outputLimit);
    EXPECT_EQ(session.failure().error, kOutputLimitMessage);
    EXPECT_EQ(session.output().size(), kPageOutputLimit);
    session.back();
    EXPECT_EQ(session.output(), kCompiledMessage);
    session.stepLine();
    EXPECT_EQ(session.failure().status, 0);
}

// A program's output may hold any bytes: the reply stays valid JSON, with the bytes that are not
// UTF-8 made U+FFFD and the rest as written.
TEST(Reply, CarriesAnyOutputAsValidText) {
    const CapturedReport report = runCaptured("program { write(\"a\\b\tc\x01 \xc3\xa9 \xff\"); }", "");
    Reply reply = Reply::object();
    report.writeMembers(reply);
    const std::string text = replyText(reply);
    EXPECT_EQ(text.rfind(R"({"output":")", 0), 0U) << text;  // the members in the order set
    EXPECT_NE(text.find(R"(a\\b\tc\u0001 )"
                        "\xc3\xa9 \xef\xbf\xbd"),
              std::string::npos)
        << text;
    EXPECT_EQ(Reply::parse(text)["status"], 0);
}
