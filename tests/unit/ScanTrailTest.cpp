// Source positions: where the scanner says lexemes start and end, what it says is left open at
// the end of the file, and the columns the POLIZ items keep.
#include <gtest/gtest.h>

#include <string>

#include "common/Errors.h"
#include "parser/Parser.h"
#include "scanner/Scanner.h"

namespace {

std::string at(SourcePosition p) { return std::to_string(p.line) + ":" + std::to_string(p.column); }

// Scans the whole text into a trail that keeps its history: "start-end" per lexeme.
std::string spans(const std::string& text, ScanTrail& trail) {
    LexStore store;
    trail.keepHistory = true;
    Scanner scanner(Source::fromText(text), store, &trail);
    try {
        for (;;) scanner.getLex();
    } catch (UEOF) {
    } catch (US) {
    } catch (USAfter) {
    }
    std::string out;
    for (const LexemeSpan& span : trail.history) out += at(span.start) + "-" + at(span.end) + " ";
    return out;
}

std::string spans(const std::string& text) {
    ScanTrail trail;
    return spans(text, trail);
}

TEST(ScanTrail, ColumnsCountBytesWithATabAsOne) {
    EXPECT_EQ(spans("ab  <=\tc1\n x\n"), "1:1-1:3 1:5-1:7 1:8-1:10 2:2-2:3 ");
}

TEST(ScanTrail, ConstantsCommentsAndStringsOverLines) {
    EXPECT_EQ(spans("1.5 /* a\n b */ \"x\ny\" 7\n"), "1:1-1:4 2:7-3:3 3:4-3:5 ");
    EXPECT_EQ(spans("\"\""), "1:1-1:3 ");
}

TEST(ScanTrail, PreviousEndIsWhereAMissingSemicolonBelongs) {
    ScanTrail trail;
    spans("x = 1\n\n/* c */\ny", trail);
    EXPECT_EQ(at(trail.previousEnd), "1:6");
    EXPECT_EQ(at(trail.lexemeStart), "4:1");
}

TEST(ScanTrail, LexicalErrorsPointAtTheirCharacter) {
    ScanTrail trail;
    spans("a\n  b # c", trail);
    EXPECT_EQ(at(trail.lexemeStart), "2:5");
    spans("a\n\t!x", trail);
    EXPECT_EQ(at(trail.lexemeStart), "2:2");
}

TEST(ScanTrail, EndOfFileKnowsWhatIsOpen) {
    ScanTrail comment;
    spans("{ a /* open\n", comment);
    EXPECT_EQ(comment.open, ScanTrail::Open::COMMENT);
    EXPECT_EQ(at(comment.openedAt), "1:5");

    ScanTrail string;
    spans("x\n  \"open", string);
    EXPECT_EQ(string.open, ScanTrail::Open::STRING);
    EXPECT_EQ(at(string.openedAt), "2:3");

    ScanTrail braces;
    spans("{ { } {\n { } x", braces);
    EXPECT_EQ(braces.open, ScanTrail::Open::NOTHING);
    ASSERT_EQ(braces.openBraces.size(), 2u);
    EXPECT_EQ(at(braces.openBraces[0]), "1:1");
    EXPECT_EQ(at(braces.openBraces[1]), "1:7");
}

TEST(ScanTrail, PolizKeepsNoPositionsUnlessAsked) {
    Poliz poliz;
    Parser parser(Source::fromText("program { write(1); }"), poliz);
    parser.go();
    EXPECT_FALSE(poliz.positionOf(0).known());
}

TEST(ScanTrail, WithoutHistoryOnlyThePositionsAreKept) {
    LexStore store;
    Scanner scanner(Source::fromText("a b c"), store);
    scanner.getLex();
    scanner.getLex();
    EXPECT_EQ(at(scanner.lexemeStart()), "1:3");
    EXPECT_TRUE(scanner.positions().history.empty());
    EXPECT_EQ(scanner.positions().lexemes, 2);
}

TEST(ScanTrail, PolizItemsKeepTheColumnOfTheirLexeme) {
    Poliz poliz;
    poliz.keepPositions();
    Parser parser(Source::fromText("program {\n  int a, b = 2;\n  a = b / 2;\n}"), poliz);
    parser.go();
    // tmp a b 2 "/" "=" "=" "backspace": operands and operators where they stand, the final
    // "=" where the expression starts.
    std::string columns;
    for (int address = 0; address < 7; ++address) columns += at(poliz.positionOf(address)) + " ";
    EXPECT_EQ(columns, "3:3 3:3 3:7 3:11 3:9 3:5 3:3 ");
}

}  // namespace
