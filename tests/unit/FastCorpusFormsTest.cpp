// The forms the fast backend chooses for every program of the end-to-end tests and the examples,
// as it decodes them and after one run, held in one golden listing (forms/corpus.forms). A
// slower choice (a checked form where the translator knows the value is there, a statement
// left unfused) changes no output, so only this listing shows it. After a deliberate change,
// rewrite the listing with POLIZ_BLESS_FORMS=1 and read its diff. A jump's target follows its
// opcode (JUMP_TO>12).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/Errors.h"
#include "fast/FastRun.h"
#include "fast/Instr.h"
#include "fast/Machine.h"
#include "fast/Op.h"
#include "parser/Parser.h"
#include "poliz/Poliz.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = POLIZ_SOURCE_DIR;
const fs::path kGolden = kRoot / "tests" / "unit" / "forms" / "corpus.forms";
constexpr std::size_t kWidth = 100;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The opcodes in their order, wrapped at kWidth columns under a heading.
std::string listing(const char* heading, const Program& program) {
    std::string text = heading, line;
    for (const Instr& ins : program.code) {
        // A jump shows where it goes: threading a jump through others changes only that.
        std::string name(opName(ins.op));
        if (ins.target != 0) {
            name += '>';
            name += std::to_string(ins.target);
        }
        if (!line.empty() && line.size() + 1 + name.size() > kWidth) {
            text.append("\n    ").append(line);
            line.clear();
        }
        line.append(line.empty() ? "" : " ").append(name);
    }
    return text.append("\n    ").append(line).append("\n");
}

// The entry of one program: its forms as decoded and, where running changed them, after the run.
std::string formsOf(const fs::path& source) {
    Poliz poliz;
    std::unique_ptr<Parser> parser;  // owns the lexemes the items point to
    try {
        parser = std::make_unique<Parser>(Source::fromFile(source.string()), poliz);
        parser->go();
    } catch (...) {
        return "";  // not translated: nothing to decode
    }
    Program program = decode(poliz, RunOptions{}.fuse);
    const std::string decoded = listing("  decoded:", program);
    std::istringstream in(readFile(fs::path(source).replace_extension(".in")));
    std::ostringstream out;
    try {
        Machine machine(in, out);
        machine.run(program, 0);
    } catch (...) {
        // A runtime error stops the run where it is; the forms up to there have run.
    }
    const std::string run = listing("  run:", program);
    return decoded + (run.substr(6) == decoded.substr(10) ? "  run: as decoded\n" : run);
}

std::map<std::string, std::string> corpusForms() {
    std::vector<fs::path> sources;
    for (const char* folder :
         {"tests/programs/ok", "tests/programs/runtime", "tests/regressions", "examples"})
        for (const auto& entry : fs::recursive_directory_iterator(kRoot / folder))
            if (entry.path().extension() == ".ppp") sources.push_back(entry.path());
    std::sort(sources.begin(), sources.end());
    std::map<std::string, std::string> forms;
    for (const fs::path& source : sources)
        if (std::string entry = formsOf(source); !entry.empty())
            forms[fs::relative(source, kRoot).generic_string()] = entry;
    return forms;
}

std::string joined(const std::map<std::string, std::string>& forms) {
    std::string text;
    for (const auto& [name, entry] : forms) text.append(name).append("\n").append(entry);
    return text;
}

// The golden listing split back into its entries.
std::map<std::string, std::string> goldenForms() {
    std::map<std::string, std::string> forms;
    std::istringstream text(readFile(kGolden));
    std::string line, name;
    while (std::getline(text, line)) {
        if (!line.starts_with(" "))
            name = line;
        else
            forms[name].append(line).append("\n");
    }
    return forms;
}

}  // namespace

TEST(FastCorpusForms, EveryProgramKeepsItsChosenForms) {
    const std::map<std::string, std::string> actual = corpusForms();
    ASSERT_GT(actual.size(), 20u);
    if (std::getenv("POLIZ_BLESS_FORMS")) {
        std::ofstream(kGolden, std::ios::binary) << joined(actual);
        GTEST_SKIP() << "rewrote " << kGolden;
    }
    const std::map<std::string, std::string> golden = goldenForms();
    for (const auto& [name, entry] : actual) {
        const auto expected = golden.find(name);
        if (expected == golden.end())
            ADD_FAILURE() << name << " has no golden forms (POLIZ_BLESS_FORMS=1 writes them)";
        else
            EXPECT_EQ(expected->second, entry) << name;
    }
    for (const auto& [name, entry] : golden)
        EXPECT_TRUE(actual.contains(name)) << name << " is gone from the corpus";
}
