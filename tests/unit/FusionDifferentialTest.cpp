// Every end-to-end program that translates runs once with the fused instruction forms and once
// with the plain ones; output and error must agree exactly, so a fused form can never change a
// result.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "RunSource.h"

namespace {

namespace fs = std::filesystem;

std::string runProgram(const fs::path& source, bool fuse) {
    std::ifstream inputFile(fs::path(source).replace_extension(".in"), std::ios::binary);
    std::stringstream input;
    input << inputFile.rdbuf();
    return runSource(source, input.str(), fuse);
}

}  // namespace

TEST(FusionDifferential, GoldenProgramsRunAlikeFusedAndPlain) {
    const fs::path root = fs::path(__FILE__).parent_path().parent_path() / "programs";
    int compared = 0;
    for (const char* group : {"ok", "runtime"}) {
        if (!fs::exists(root / group)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / group)) {
            if (entry.path().extension() != ".ppp") continue;
            EXPECT_EQ(runProgram(entry.path(), true), runProgram(entry.path(), false)) << entry.path();
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);
}
