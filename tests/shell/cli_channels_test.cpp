// The CLI round: the real talvex-cli on a fresh data directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "talvex/ini_file.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

using talvex::testing::TempDir;

struct CliResult {
    int status = -1;
    std::string out;
};

CliResult run(const std::string& args) {
    CliResult r;
    // The first-run language follows the user's language: make it English.
    const std::string cmd = "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 " +
                            std::string(TALVEX_CLI_PATH) + " " + args + " 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    r.status = ::pclose(p);
    return r;
}

TEST(CliChannelsTest, FreshDataDirJsonThenLanguageSwitch) {
    TempDir dir;
    const std::string d = "--data-dir '" + dir.path() + "'";
    const CliResult first = run("channels " + d + " --json");
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.out.rfind("{\"language\": \"English\"", 0), 0u) << first.out;
    EXPECT_NE(first.out.find("\"selectedSensorId\": 1, \"channels\": [{\"channel\": 1, \"network\": \""),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "setting.ini"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Config.ini"));

    ASSERT_EQ(run("language Chinese " + d).status, 0);
    const CliResult zh = run("channels " + d + " --json");
    ASSERT_EQ(zh.status, 0);
    EXPECT_EQ(zh.out.rfind("{\"language\": \"Chinese\"", 0), 0u);
    EXPECT_NE(zh.out.find("{\"channel\": 1, \"network\": \"网络1\", \"node\": \"设备1\", \"sensorId\": 1, "
                          "\"rate\": 5, \"enabled\": 1}"),
              std::string::npos);
    EXPECT_NE(zh.out.find("{\"channel\": 48, \"network\": \"网络16\", \"node\": \"设备48\", \"sensorId\": "
                          "48, \"rate\": 5, \"enabled\": 0}]}"),
              std::string::npos);

    ASSERT_EQ(run("language English " + d).status, 0);
    const CliResult en = run("channels " + d + " --json");
    EXPECT_NE(en.out.find("{\"channel\": 2, \"network\": \"Network1\", \"node\": \"Node2\", \"sensorId\": 2, "
                          "\"rate\": 5, \"enabled\": 0}"),
              std::string::npos);
    EXPECT_EQ(talvex::testing::readBytes(dir / "setting.ini"), "[Setting]\r\nLanguage=English\r\n");

    EXPECT_NE(run("language Klingon " + d).status, 0);
}

}  // namespace
