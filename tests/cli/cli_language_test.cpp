// talvex-cli speaks the language of the data directory it works on: refusals and failures come out of
// the language table, with the same exit codes in either language; usage lines and stdout never change.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "talvex/language.hpp"
#include "talvex/port_open_failure.hpp"
#include "talvex/rtu.h"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using talvex::Language;
using talvex::testing::ProgramRun;
using talvex::testing::TempDir;

ProgramRun cli(const std::string& program, std::vector<std::string> args) {
    return talvex::testing::runProgram(program, std::move(args));
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A data directory whose setting.ini names the language, made as a user would make it.
void chooseLanguage(const std::string& dataDir, const char* language) {
    const ProgramRun r = cli(TALVEX_CLI, {"language", language, "--data-dir", dataDir});
    ASSERT_EQ(r.exitCode, 0) << r.err;
}

TEST(CliLanguage, RefusalsAfterTheDataDirectoryIsOpenSpeakItsLanguage) {
    TempDir english, chinese, scratch;
    chooseLanguage(english.path(), "English");
    chooseLanguage(chinese.path(), "Chinese");
    const std::string noPort = "/dev/ttyTalvexNone";
    const std::string noFolder = scratch.file("gone/readout.xlsx");
    const struct {
        std::vector<std::string> args;
        std::string english, chinese;  // after the data directory, which differs per run
    } cases[] = {
        {{"delete", "--id", "1"}, "talvex-cli delete: no SensorDB.db in ", "中没有 SensorDB.db"},
        {{"production", "--id", "1", "--sign", "Li", "--xlsx", noFolder},
         "talvex-cli production: no folder for " + noFolder,
         "talvex-cli production: " + noFolder + " 所在的文件夹不存在"},
        {{"poll", "--port", noPort, "--ids", "1", "--once"},
         "talvex-cli poll: Serial port not found or occupied: " + noPort + " does not exist",
         "talvex-cli poll: 没有发现此串口或被占用: " + noPort + " 不存在"},
        {{"history", "--port", noPort, "--baud", "7", "--id", "1", "--stored"},
         "talvex-cli history: --baud must lie between 300 and 921600",
         "talvex-cli history: --baud 必须在 300 至 921600 之间"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> inEnglish = c.args, inChinese = c.args;
        inEnglish.insert(inEnglish.end(), {"--data-dir", english.path()});
        inChinese.insert(inChinese.end(), {"--data-dir", chinese.path()});
        const ProgramRun en = cli(TALVEX_CLI, inEnglish);
        const ProgramRun zh = cli(TALVEX_CLI, inChinese);
        EXPECT_NE(en.exitCode, 0) << c.args[0];
        EXPECT_EQ(zh.exitCode, en.exitCode) << c.args[0] << ": " << zh.err;
        EXPECT_TRUE(contains(en.err, c.english)) << en.err;
        EXPECT_TRUE(contains(zh.err, c.chinese)) << zh.err;
        EXPECT_FALSE(contains(zh.err, "Not found")) << zh.err;
        EXPECT_EQ(zh.out, en.out) << c.args[0];
    }
    // A refusal before anything is sent or written still shows the usage line as it is.
    const ProgramRun usage = cli(TALVEX_CLI, {"history", "--port", noPort, "--baud", "7", "--id", "1",
                                              "--stored", "--data-dir", chinese.path()});
    EXPECT_TRUE(contains(usage.err, "\nusage: talvex-cli history --port DEVICE|COMn [--baud B] --id N"))
        << usage.err;
}

// Before the options are parsed the data directory is not known: the default one's setting.ini decides,
// and only when it exists. A copy of the program in a folder of its own with a `portable` marker runs
// in portable mode, so that folder is its default data directory.
class DefaultDirectoryLanguage : public testing::Test {
  protected:
    void SetUp() override {
        program_ = folder_.file("talvex-cli");
        fs::copy_file(TALVEX_CLI, program_);
        talvex::testing::writeBytes(folder_ / "portable", "");
    }
    std::set<std::string> folderEntries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_.path()))
            names.insert(e.path().filename().string());
        return names;
    }

    TempDir folder_;
    std::string program_;
};

TEST_F(DefaultDirectoryLanguage, ArgumentRefusalsFollowTheDefaultSettingsOrStayEnglish) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string english, chinese;
    } cases[] = {
        {{"read", "--port", "COM1", "--id", "1", "--cuont", "3"},
         2,
         "talvex-cli read: unknown option --cuont\n",
         "talvex-cli read: 未知选项 --cuont\n"},
        {{"write", "--dry-run", "--id", "1", "--addr", "9", "08x"},
         2,
         "talvex-cli write: value \"08x\" is not a 16-bit number\n",
         "talvex-cli write: 数值“08x”不是 16 位数\n"},
        {{"poll", "--port", "COM1", "--ids", "1,5-3"},
         2,
         "talvex-cli poll: --ids: \"5-3\" runs backwards: write the lower ID first\n",
         "talvex-cli poll: --ids: “5-3”的范围写反了：请先写较小的 ID\n"},
        {{"flow", "--port", "COM1", "--set", "5", "--close"},
         2,
         "talvex-cli flow: give exactly one of --set ML, --close, --read\n",
         "talvex-cli flow: --set ML、--close、--read 必须且只能给出一个\n"},
        {{"bogus"}, 2, "talvex-cli: unknown command \"bogus\"\n", "talvex-cli: 未知命令“bogus”\n"},
    };
    // No setting.ini beside the program: English, and a refused command creates none.
    for (const auto& c : cases) {
        const ProgramRun r = cli(program_, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.err.rfind(c.english, 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(folderEntries(), (std::set<std::string>{"portable", "talvex-cli"}));

    talvex::testing::writeBytes(folder_ / "setting.ini", "[Setting]\r\nLanguage=Chinese\r\n");
    for (const auto& c : cases) {
        const ProgramRun r = cli(program_, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.err.rfind(c.chinese, 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    // Usage lines stay as scripts know them.
    const ProgramRun refused = cli(program_, {"read", "--port", "COM1", "--id", "1", "stray"});
    EXPECT_TRUE(contains(refused.err, "\nusage: talvex-cli read --port DEVICE|COMn [--baud B] --id N"))
        << refused.err;
    const ProgramRun help = cli(program_, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: talvex-cli <command> [options]\n\ncommands:\n", 0), 0u) << help.out;
    EXPECT_EQ(folderEntries(), (std::set<std::string>{"portable", "setting.ini", "talvex-cli"}));
}

class CliTexts : public testing::Test {
  protected:
    void TearDown() override { talvex::setActiveLanguage(Language::English); }
};

TEST_F(CliTexts, ValuesFillTheirPlacesAndAreNotReadAgain) {
    talvex::setActiveLanguage(Language::English);
    EXPECT_EQ(talvex::cli::cliText("IDS_Cli_NotAWholeNumber", {"id", "%2"}),
              "--id expects a whole number, got \"%2\"");
    EXPECT_EQ(talvex::cli::cliText("IDS_Cli_History_Progress", {"5", "10", "50"}), "5 / 10 records (50%)");
    talvex::setActiveLanguage(Language::Chinese);
    // The translation puts the values in its own order.
    EXPECT_EQ(talvex::cli::cliText("IDS_Cli_Poll_Silent", {"2", "3"}), "3 个传感器中有 2 个没有应答");
}

// The link library stays English for the programs that load it; the command line must say exactly what
// it says there, or scripts matching those texts break.
TEST_F(CliTexts, EnglishLinkAndPortTextsAreTheLinkLibrarysOwn) {
    std::vector<int> codes = {RTU_OK,
                              RTU_ERR_SLAVE,
                              RTU_ERR_FUNCTION,
                              RTU_ERR_QUANTITY,
                              RTU_ERR_COIL_VALUE,
                              RTU_ERR_BUFFER,
                              RTU_ERR_CRC,
                              RTU_ERR_SLAVE_ECHO,
                              RTU_ERR_FUNCTION_ECHO,
                              RTU_ERR_WRITE_ECHO,
                              RTU_ERR_BYTE_COUNT,
                              RTU_ERR_SEND,
                              RTU_ERR_TIMEOUT,
                              0x1234,
                              0x10000 | RTU_ERR_CRC};
    for (int exception = 0; exception <= 0xFF; ++exception) codes.push_back(RTU_EXCEPTION + exception);
    for (const int code : codes) {
        talvex::setActiveLanguage(Language::English);
        EXPECT_EQ(talvex::cli::linkResultText(code), RTUResultText(code)) << std::hex << code;
        talvex::setActiveLanguage(Language::Chinese);
        const std::string chinese = talvex::cli::linkResultText(code);
        EXPECT_NE(chinese, RTUResultText(code)) << std::hex << code;
        EXPECT_FALSE(contains(chinese, "Not found")) << std::hex << code;
    }
    using talvex::PortOpenFailure;
    for (int reason = 0; reason <= 8; ++reason) {
        const auto why = static_cast<PortOpenFailure>(reason);
        for (const char* holder : {"", "held by PID 1234 (minicom)"}) {
            talvex::setActiveLanguage(Language::English);
            EXPECT_EQ(talvex::cli::portOpenFailureText(why, "/dev/ttyUSB3", holder),
                      talvex::openFailureMessage(why, "/dev/ttyUSB3", holder))
                << reason;
            talvex::setActiveLanguage(Language::Chinese);
            const std::string chinese = talvex::cli::portOpenFailureText(why, "/dev/ttyUSB3", holder);
            EXPECT_EQ(chinese.empty(), why == PortOpenFailure::None) << reason;
            const bool namesDevice = why != PortOpenFailure::BadPortNumber && why != PortOpenFailure::None;
            EXPECT_EQ(contains(chinese, "/dev/ttyUSB3"), namesDevice) << chinese;
        }
    }
}

std::string readSource(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> placeholders(const std::string& text) {
    std::set<std::string> found;
    const std::regex mark("%[1-9]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), mark); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

// A Chinese Config.ini as the original writes it (GBK) whose device mark and description are texts
// whose GBK bytes are also valid UTF-8 (韦伟, 专业为之): two switches of language keep them byte for byte.
TEST(CliLanguage, SwitchingLanguageTwiceKeepsGbkTextsThatLookLikeUtf8) {
    TempDir dir;
    chooseLanguage(dir.path(), "Chinese");
    const std::string mark = "\xCE\xA4\xCE\xB0";                         // 韦伟
    const std::string description = "\xD7\xA8\xD2\xB5\xCE\xAA\xD6\xAE";  // 专业为之
    const std::string network1 =
                          "\xCD\xF8\xC2\xE7"
                          "1",
                      node1 =
                          "\xC9\xE8\xB1\xB8"
                          "1";
    const std::string value = "1,5,1#" + mark + "$ID:$Rate:$On:@" + description;
    talvex::testing::writeBytes(dir.file("Config.ini"),
                                "[" + network1 + "]\r\n" + node1 + "=" + value + "\r\n");

    chooseLanguage(dir.path(), "English");
    EXPECT_EQ(talvex::testing::readBytes(dir.file("Config.ini")), "[Network1]\r\nNode1=" + value + "\r\n");
    chooseLanguage(dir.path(), "Chinese");
    EXPECT_EQ(talvex::testing::readBytes(dir.file("Config.ini")),
              "[" + network1 + "]\r\n" + node1 + "=" + value + "\r\n");
}

// A key the command line names but a table lacks prints "Not found"; a translation that drops a value
// loses the option name or path the user needs.
TEST_F(CliTexts, EveryKeyTheCommandLineNamesIsInBothTablesWithTheSameValues) {
    std::set<std::string> named;
    const std::regex key("\"(ID[SD]_[A-Za-z0-9_()]+)\"");
    for (const auto& entry : fs::directory_iterator(TALVEX_CLI_SOURCES)) {
        const std::string text = readSource(entry.path());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), key); it != std::sregex_iterator();
             ++it)
            named.insert((*it)[1].str());
    }
    ASSERT_GT(named.count("IDS_Cli_UnknownOption"), 0u) << "the sources were not read";
    for (const std::string& k : named) {
        const auto english = talvex::findTableText(Language::English, k);
        const auto chinese = talvex::findTableText(Language::Chinese, k);
        ASSERT_TRUE(english.has_value()) << k;
        ASSERT_TRUE(chinese.has_value()) << k;
        EXPECT_EQ(placeholders(*chinese), placeholders(*english)) << k;
    }
    // And no command-line text is left over in the tables once its message is gone.
    std::istringstream table{std::string(talvex::languageTable(Language::English))};
    for (std::string line; std::getline(table, line);) {
        if (line.rfind("IDS_Cli_", 0) != 0) continue;
        const std::string k = line.substr(0, line.find('='));
        EXPECT_GT(named.count(k), 0u) << k << " is in the table but no message uses it";
    }
}

}  // namespace
