// The lexeme stream of small snippets: kinds, texts, interning, lines and lexical errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
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

// Scans the whole text: "kind:text@line" per lexeme, then how the scan ended.
std::string scan(const std::string& text) {
    SourceFile file(text);
    LexStore store;
    Scanner scanner(file.name(), store);
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
    SourceFile file("x \"s\" x \"s\" 5 5 1.5 1.50 05 ");
    LexStore store;
    Scanner scanner(file.name(), store);
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

TEST(Scanner, UnopenableFile) {
    LexStore store;
    EXPECT_THROW(Scanner("/nonexistent/file.ppp", store), OpenError);
    EXPECT_THROW(Scanner(std::filesystem::temp_directory_path().c_str(), store), OpenError);
}

// A directory is opened before it is refused: its descriptor must be closed again, or a tool
// that translates many texts (the language server, the conformance kit's runs) runs out.
TEST(Scanner, ARefusedSourceLeavesNoDescriptorOpen) {
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    LexStore store;
    const auto before = openDescriptors();
    for (int i = 0; i < 10; ++i)
        EXPECT_THROW(Scanner(std::filesystem::temp_directory_path().c_str(), store), OpenError);
    EXPECT_EQ(openDescriptors(), before);
}
