// Every end-to-end program that translates runs on the reference machine and on the fast
// backend, with its fused instruction forms and with the plain ones, on its own input; output
// and error must agree exactly, so the fast backend can never change a result.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "RunSource.h"

namespace {

namespace fs = std::filesystem;

std::string runProgram(const fs::path& source, Engine engine) {
    std::ifstream inputFile(fs::path(source).replace_extension(".in"), std::ios::binary);
    std::stringstream input;
    input << inputFile.rdbuf();
    return runSource(Source::fromFile(source.string()), input.str(), engine);
}

}  // namespace

TEST(GoldenDifferential, GoldenProgramsRunAlikeOnEveryMachine) {
    const fs::path tests = fs::path(__FILE__).parent_path().parent_path();
    int compared = 0;
    for (const fs::path& root :
         {tests / "programs" / "ok", tests / "programs" / "runtime", tests / "regressions"}) {
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.path().extension() != ".ppp") continue;
            const std::string reference = runProgram(entry.path(), Engine::REFERENCE);
            EXPECT_EQ(reference, runProgram(entry.path(), Engine::FAST)) << entry.path();
            EXPECT_EQ(reference, runProgram(entry.path(), Engine::FAST_PLAIN)) << entry.path();
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);
}
