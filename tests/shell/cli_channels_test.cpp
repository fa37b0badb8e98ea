// The CLI round: the real talvex-cli on a fresh data directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

using talvex::testing::ProgramRun;
using talvex::testing::TempDir;

// The first-run language follows the user's language: env makes it English whatever the caller's is.
ProgramRun cli(std::vector<std::string> args, const TempDir& dataDir) {
    std::vector<std::string> command{"-u", "LANGUAGE",    "-u",           "LC_ALL",
                                     "-u", "LC_MESSAGES", "LANG=C.UTF-8", TALVEX_CLI_PATH};
    command.insert(command.end(), args.begin(), args.end());
    command.insert(command.end(), {"--data-dir", dataDir.path()});
    return talvex::testing::runProgram("/usr/bin/env", std::move(command));
}

TEST(CliChannelsTest, FreshDataDirJsonThenLanguageSwitch) {
    TempDir dir;
    const ProgramRun first = cli({"channels", "--json"}, dir);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.rfind("{\"language\": \"English\"", 0), 0u) << first.out;
    EXPECT_NE(first.out.find("\"selectedSensorId\": 1, \"channels\": [{\"channel\": 1, \"network\": \""),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "setting.ini"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Config.ini"));

    const ProgramRun toChinese = cli({"language", "Chinese"}, dir);
    ASSERT_EQ(toChinese.exitCode, 0) << toChinese.err;
    const ProgramRun zh = cli({"channels", "--json"}, dir);
    ASSERT_EQ(zh.exitCode, 0) << zh.err;
    EXPECT_EQ(zh.out.rfind("{\"language\": \"Chinese\"", 0), 0u);
    EXPECT_NE(zh.out.find("{\"channel\": 1, \"network\": \"网络1\", \"node\": \"设备1\", \"sensorId\": 1, "
                          "\"rate\": 5, \"enabled\": 1}"),
              std::string::npos);
    EXPECT_NE(zh.out.find("{\"channel\": 48, \"network\": \"网络16\", \"node\": \"设备48\", \"sensorId\": "
                          "48, \"rate\": 5, \"enabled\": 0}]}"),
              std::string::npos);

    const ProgramRun toEnglish = cli({"language", "English"}, dir);
    ASSERT_EQ(toEnglish.exitCode, 0) << toEnglish.err;
    const ProgramRun en = cli({"channels", "--json"}, dir);
    EXPECT_EQ(en.exitCode, 0) << en.err;
    EXPECT_NE(en.out.find("{\"channel\": 2, \"network\": \"Network1\", \"node\": \"Node2\", \"sensorId\": 2, "
                          "\"rate\": 5, \"enabled\": 0}"),
              std::string::npos);
    EXPECT_EQ(talvex::testing::readBytes(dir / "setting.ini"), "[Setting]\r\nLanguage=English\r\n");

    // An unknown language is bad usage and leaves the setting as it was.
    const ProgramRun klingon = cli({"language", "Klingon"}, dir);
    EXPECT_EQ(klingon.exitCode, 2) << klingon.err;
    EXPECT_EQ(talvex::testing::readBytes(dir / "setting.ini"), "[Setting]\r\nLanguage=English\r\n");
}

}  // namespace
