// The lexeme stream of small snippets: kinds, texts, interning, lines and lexical errors; and
// the sources it is read from: a file, a text in memory and a stream give the same lexemes.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "SourceFile.h"
#include "common/Errors.h"
#include "lexemes/Lex.h"
#include "scanner/Scanner.h"

namespace {

const char* kindName(KindOfLex kind) {
    switch (kind) {
        case IDENT: return "id";
        case NUMBER: return "int";
        case REAL: return "real";
        case STRINGC: return "str";
        case KEYWORD: return "kw";
        case DELIM: return "delim";
        case LABEL: return "label";
    }
    return "?";
}

// Scans the whole source: "kind:text@line" per lexeme, then how the scan ended.
std::string scanSource(Source source) {
    LexStore store;
    Scanner scanner(std::move(source), store);
    std::string out;
    try {
        for (;;) {
            Lex* lex = scanner.getLex();
            out += std::string(kindName(lex->getKind())) + ":" + lex->getString() + "@" +
                   std::to_string(scanner.getLine()) + " ";
        }
    } catch (UEOF) {
        out += "EOF";
    } catch (const US& e) {
        out += "US(" + e.getSymb() + ")@" + std::to_string(e.getLine());
    } catch (const USAfter& e) {
        out += "USAfter(" + e.getLast() + ")@" + std::to_string(e.getLine());
    }
    return out;
}

std::string scan(const std::string& text) { return scanSource(Source::fromText(text)); }

// A stream that has one character ready at a time, as a slow pipe may.
class TrickleBuffer : public std::streambuf {
    std::string text;
    std::size_t taken = 0;
    char current = 0;

protected:
    int_type underflow() override {
        if (taken == text.size()) return traits_type::eof();
        current = text[taken++];
        setg(&current, &current, &current + 1);
        return traits_type::to_int_type(current);
    }

public:
    explicit TrickleBuffer(std::string text) : text(std::move(text)) {}
};

// Reads `source` up to and including the first `last`, then takes everything after it.
std::string restAfter(Source source, char last) {
    for (char c = 0; source.get(c) && c != last;) {
    }
    std::string rest;
    for (std::span<char> piece = source.takeRest(); !piece.empty(); piece = source.takeRest())
        rest.append(piece.begin(), piece.end());
    return rest;
}

}  // namespace

TEST(Scanner, ComparisonsAndTwoCharacterSigns) {
    EXPECT_EQ(scan("a<=b "), "id:a@1 delim:<=@1 id:b@1 EOF");
    EXPECT_EQ(scan("a=<b "), "id:a@1 delim:=@1 delim:<@1 id:b@1 EOF");
    EXPECT_EQ(scan("x!=1 "), "id:x@1 delim:!=@1 int:1@1 EOF");
    EXPECT_EQ(scan("!x"), "USAfter(!)@1");
    EXPECT_EQ(scan("a==b>=c>d "), "id:a@1 delim:==@1 id:b@1 delim:>=@1 id:c@1 delim:>@1 id:d@1 EOF");
}

TEST(Scanner, Numbers) {
    EXPECT_EQ(scan("1.2.3"), "real:1.2@1 US(.)@1");
    EXPECT_EQ(scan("5. "), "real:5@1 EOF");
    EXPECT_EQ(scan("12ab "), "int:12@1 id:ab@1 EOF");
    EXPECT_EQ(scan("007 7 "), "int:7@1 int:7@1 EOF");
    EXPECT_EQ(scan("-3 "), "delim:-@1 int:3@1 EOF");
    EXPECT_EQ(scan(".5"), "US(.)@1");
}

TEST(Scanner, Comments) {
    EXPECT_EQ(scan("/* a **/x "), "id:x@1 EOF");
    EXPECT_EQ(scan("/*/ x */y "), "id:y@1 EOF");
    EXPECT_EQ(scan("a/b "), "id:a@1 delim:/@1 id:b@1 EOF");
    EXPECT_EQ(scan("/* open"), "EOF");
    EXPECT_EQ(scan("/* one\ntwo\n*/ ?"), "US(?)@3");
    EXPECT_EQ(scan("/**//**/z "), "id:z@1 EOF");
}

TEST(Scanner, StringConstants) {
    EXPECT_EQ(scan("\"a b\\n\" \"\" "), "str:a b\\n@1 str:@1 EOF");
    EXPECT_EQ(scan("\"two\nlines\" x "), "str:two\nlines@2 id:x@2 EOF");
    EXPECT_EQ(scan("\"open"), "EOF");
    EXPECT_EQ(scan("\"\xc3\xa9\" "), "str:\xc3\xa9@1 EOF");
}

TEST(Scanner, WordsAndSymbols) {
    EXPECT_EQ(scan("program Program jump ~ "), "kw:program@1 id:Program@1 id:jump@1 delim:~@1 EOF");
    EXPECT_EQ(scan("a\tb\nc"), "id:a@1 id:b@1 EOF");  // c ends the file: the read after it fails
    EXPECT_EQ(scan("x\r\n"), "id:x@1 US(\r)@1");
    EXPECT_EQ(scan("a_b"), "id:a@1 US(_)@1");
    EXPECT_EQ(scan("\n\n#"), "US(#)@3");
    EXPECT_EQ(scan(std::string("\xe9 ")), "US(\xe9)@1");
    EXPECT_EQ(scan(std::string("a\0", 2)), "id:a@1 US(" + std::string(1, '\0') + ")@1");
}

TEST(Scanner, EndOfFile) {
    EXPECT_EQ(scan(""), "EOF");
    EXPECT_EQ(scan("}"), "delim:}@1 EOF");
    EXPECT_EQ(scan("program {"), "kw:program@1 delim:{@1 EOF");
    EXPECT_EQ(scan("abc"), "EOF");
}

TEST(Scanner, LineIsWhereTheLexemeEnds) { EXPECT_EQ(scan("a\n\nb\n"), "id:a@1 id:b@3 EOF"); }

TEST(Scanner, InternsLexemes) {
    LexStore store;
    Scanner scanner(Source::fromText("x \"s\" x \"s\" 5 5 1.5 1.50 05 "), store);
    Lex* x1 = scanner.getLex();
    Lex* s1 = scanner.getLex();
    EXPECT_EQ(scanner.getLex(), x1);
    EXPECT_EQ(scanner.getLex(), s1);
    Lex* five = scanner.getLex();
    EXPECT_EQ(scanner.getLex(), five);
    Lex* real = scanner.getLex();
    EXPECT_EQ(real->getString(), "1.5");
    EXPECT_EQ(scanner.getLex()->getString(), "1.5");
    Lex* oddFive = scanner.getLex();
    EXPECT_EQ(oddFive->getString(), "5");
    EXPECT_EQ(scanner.findDelim("jumpfalse")->getString(), "jumpfalse");
    EXPECT_EQ(scanner.findKeyword("write")->getKind(), KEYWORD);
    EXPECT_EQ(scanner.findKeyword("jump"), nullptr);
}

TEST(Source, UnopenableFile) {
    EXPECT_THROW(Source::fromFile("/nonexistent/file.ppp"), OpenError);
    EXPECT_THROW(Source::fromFile(std::filesystem::temp_directory_path()), OpenError);
}

// A directory is opened before it is refused: its descriptor must be closed again, or a tool
// that translates many texts (the language server, the conformance kit's runs) runs out.
TEST(Source, ARefusedFileLeavesNoDescriptorOpen) {
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const auto before = openDescriptors();
    for (int i = 0; i < 10; ++i)
        EXPECT_THROW(Source::fromFile(std::filesystem::temp_directory_path()), OpenError);
    {
        const SourceFile file("x");
        Source opened = Source::fromFile(file.name());
        Source moved = std::move(opened);
    }
    EXPECT_EQ(openDescriptors(), before);
}

// Each text read as a file, in memory, as a stream and as a stream with a character ready at a
// time; the long one crosses the chunks that files and streams are read in.
TEST(Source, EveryKindOfSourceGivesTheSameLexemes) {
    std::string longText;
    for (int k = 0; k < 10000; ++k) longText += "name" + std::to_string(k) + " ";
    for (const std::string& text :
         {std::string("program {\n  /* one\n two */ string s = \"a\nb\";\n  x = 1.5 <= 2;\n}"),
          std::string("a ! b"), std::string(""), longText + "\"open"}) {
        const std::string expected = scan(text);
        const SourceFile file(text);
        EXPECT_EQ(scanSource(Source::fromFile(file.name())), expected);
        std::istringstream stream(text);
        EXPECT_EQ(scanSource(Source::fromStream(stream)), expected);
        TrickleBuffer trickle(text);
        std::istream slow(&trickle);
        EXPECT_EQ(scanSource(Source::fromStream(slow)), expected);
    }
}

// What follows the program is handed on whole, and a source read only once keeps what it read.
TEST(Source, HandsOnTheRestAndKeepsWhatItRead) {
    const std::string text = "program { }\n42 7\n";
    const SourceFile file(text);
    EXPECT_EQ(restAfter(Source::fromFile(file.name()), '}'), "\n42 7\n");
    EXPECT_EQ(restAfter(Source::fromText(text), '}'), "\n42 7\n");
    std::istringstream stream(text);
    EXPECT_EQ(restAfter(Source::fromStream(stream), '}'), "\n42 7\n");
    TrickleBuffer trickle(text);
    std::istream slow(&trickle);
    EXPECT_EQ(restAfter(Source::fromStream(slow), '}'), "\n42 7\n");

    TrickleBuffer lines("ab\ncd\n");
    std::istream linesIn(&lines);
    Source kept = Source::fromStream(linesIn);
    kept.keepText();
    char c = 0;
    ASSERT_TRUE(kept.get(c));
    kept.keepRestOfLine();
    EXPECT_EQ(kept.keptText(), "ab\n");
    EXPECT_EQ(Source::fromText(text).keptText(), text);

    EXPECT_TRUE(Source::fromStream(std::cin).isStandardInput());
    EXPECT_FALSE(Source::fromStream(stream).isStandardInput());
    EXPECT_FALSE(Source::fromText(text).isStandardInput());
}
