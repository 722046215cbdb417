// "read" of numbers by the language's own rules: every case of tests/input/read_cases.txt, and
// the same reads from the platform's formatted stream input, which the rules were taken from.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Errors.h"
#include "runtime/NumberText.h"
#include "runtime/ProgramInput.h"

namespace {

struct ReadCase {
    std::string type, input, result, rest;
};

std::string unescape(const std::string& text) {
    std::string plain;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const std::string_view escapes = "nsrt";
        if (text[k] == '\\' && k + 1 < text.size() && escapes.find(text[k + 1]) != std::string_view::npos) {
            plain += "\n \r\t"[escapes.find(text[++k])];
        } else {
            plain += text[k];
        }
    }
    return plain;
}

std::vector<ReadCase> readCases() {
    std::ifstream file(POLIZ_SOURCE_DIR "/tests/input/read_cases.txt");
    std::vector<ReadCase> cases;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '|');) fields.push_back(field);
        fields.resize(4);
        cases.push_back({fields[0], unescape(fields[1]), fields[2], unescape(fields[3])});
    }
    return cases;
}

// The result and the rest of the input, as the cases spell them.
std::pair<std::string, std::string> readWithRules(const ReadCase& c) {
    std::istringstream in(c.input);
    try {
        const std::string value =
            c.type == "int" ? intToText(readIntInput(in, "x")) : realToText(readRealInput(in, "x"));
        return {value, std::string(std::istreambuf_iterator<char>(in), {})};
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.subject(), "x");
        return {e.fault() == RuntimeFault::END_OF_INPUT ? "END" : "INVALID", ""};
    }
}

TEST(ProgramInput, ReadsEveryInputClassByTheLanguagesRules) {
    const std::vector<ReadCase> cases = readCases();
    ASSERT_GT(cases.size(), 40u);
    for (const ReadCase& c : cases) {
        const auto [result, rest] = readWithRules(c);
        EXPECT_EQ(result, c.result) << c.type << " read of '" << c.input << "'";
        if (result == c.result && c.result != "INVALID" && c.result != "END") {
            EXPECT_EQ(rest, c.rest) << c.type << " read of '" << c.input << "'";
        }
    }
}

// The rules were taken from the console build's formatted input; they must not drift from it.
template <class T>
std::string platformRead(const std::string& input) {
    std::istringstream in(input);
    in >> std::ws;
    if (in.peek() == std::char_traits<char>::eof()) return "END";
    T value{};
    if (!(in >> value)) return "INVALID";
    if constexpr (std::is_same_v<T, float>)
        return realToText(value);
    else
        return intToText(value);
}

TEST(ProgramInput, AgreesWithTheConsoleBuildsStreamInput) {
    for (const ReadCase& c : readCases())
        EXPECT_EQ(c.type == "int" ? platformRead<std::int32_t>(c.input) : platformRead<float>(c.input),
                  c.result)
            << c.type << " read of '" << c.input << "'";
}

TEST(ProgramInput, StringReadsTakeTheRestOfALineOrTheNextNonEmptyOne) {
    std::istringstream in("5 hello\n7\n\n\nnext line \n");
    std::string line;
    EXPECT_EQ(readIntInput(in, "n"), 5);
    readLineInput(in, line, "s");
    EXPECT_EQ(line, " hello");
    EXPECT_EQ(readIntInput(in, "n"), 7);
    readLineInput(in, line, "s");
    EXPECT_EQ(line, "next line ");
    try {
        readLineInput(in, line, "s");
        FAIL() << "a read past the end";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.getText(), "Unexpected end of input for 's'!");
        EXPECT_EQ(e.fault(), RuntimeFault::END_OF_INPUT);
    }
}

}  // namespace
