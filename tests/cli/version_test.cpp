// Every program names the build it is: --version prints the project version of CMakeLists.txt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/testing/run_program.hpp"

namespace {

TEST(ProgramVersion, EveryProgramPrintsTheProjectVersion) {
    struct Program {
        std::string path, name;
    };
    std::vector<Program> programs = {{TALVEX_CLI, "talvex-cli"}, {TALVEX_SIM, "talvex-sim"}};
#ifdef TALVEX_APP
    programs.push_back({TALVEX_APP, "talvex"});
#endif
    for (const auto& p : programs) {
        const auto r = talvex::testing::runProgram(p.path, {"--version"});
        EXPECT_EQ(r.exitCode, 0) << p.name << ": " << r.err;
        EXPECT_EQ(r.out, p.name + " " + TALVEX_PROJECT_VERSION + "\n");
        EXPECT_EQ(r.err, "") << p.name;
    }
}

}  // namespace
