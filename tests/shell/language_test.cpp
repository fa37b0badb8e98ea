#include "talvex/language.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "talvex/ini_file.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace talvex {
namespace {

using talvex::testing::TempDir;

class LanguageTest : public ::testing::Test {
  protected:
    void TearDown() override { setActiveLanguage(Language::English); }
};

TEST_F(LanguageTest, LookupFollowsTheActiveTable) {
    struct Case {
        Language language;
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {Language::English, "IDS_Tree_Network3", "Network3"},
        {Language::Chinese, "IDS_Tree_Network3", "网络3"},
        {Language::English, "IDS_Tree_Node48", "Node48"},
        {Language::Chinese, "IDS_Tree_Node1", "设备1"},
        {Language::English, "idd_connect", "Connect"},  // keys ignore case
        {Language::Chinese, "IDD_CONNECT", "连接"},
        {Language::English, "IDD_Message_SEPSE", "Sensor enable parameter setting error"},
        {Language::Chinese, "IDD_Message_SEPSE", "传感器启用参数设置错误"},
        {Language::English, "IDD102_Title", "Talvex_V1.37 - Orlenthic"},
        {Language::Chinese, "IDS_languageEnCh", "中/英"},
        {Language::English, "IDS_Tab_Acquisition_H2(Oil_PPM)", "H2 in Oil(PPM)"},
        {Language::English, "IDS_No_Such_Key", "Not found"},
        {Language::Chinese, "", "Not found"},
    };
    for (const auto& c : cases) {
        setActiveLanguage(c.language);
        EXPECT_EQ(GetText(c.key), c.text) << c.key;
    }
}

TEST_F(LanguageTest, LineBreakMarkerBecomesABreakExceptInCaptions) {
    setActiveLanguage(Language::English);
    const std::string text = GetText("IDS_Tab_Query_ReadDoneTip");
    EXPECT_EQ(text.find("\\n"), std::string::npos);
    EXPECT_NE(text.find("records\n\nRequested"), std::string::npos);
    EXPECT_NE(captionText("IDS_Tab_Query_ReadDoneTip").find("records\\n\\nRequested"), std::string::npos);
    EXPECT_EQ(captionText("IDD102_9999"), "");  // a missing caption key leaves the caption alone
}

// Both tables must carry the same keys: a key missing in one shows "Not found" to its users.
TEST_F(LanguageTest, BothTablesHoldTheSameKeysAndEveryTextIsFilled) {
    std::map<std::string, std::set<std::string>> keys;
    for (Language language : {Language::English, Language::Chinese}) {
        const IniFile table = IniFile::parse(languageTable(language));
        const auto entries = table.sectionEntries("String", 1 << 20, Codepage::Ascii);
        ASSERT_TRUE(entries.has_value());
        for (const auto& e : *entries) {
            EXPECT_FALSE(e.value.empty()) << e.key;
            keys[std::string(languageName(language))].insert(lowerAscii(e.key));
        }
        EXPECT_EQ(table.getString("Setting", "Language", "", 64, Codepage::Ascii), languageName(language));
    }
    EXPECT_EQ(keys["English"], keys["Chinese"]);
    for (const char* k : {"IDS_Tree_Config48", "IDS_Tab_Cal_CalStepT6", "IDS_Dlg_Query_V2",
                          "IDD_Message_TooMuchData", "IDS_Tab_Cal_InOilSensorCal(Lab)", "IDD102_1021"})
        EXPECT_TRUE(keys["English"].count(lowerAscii(k))) << k;
}

TEST_F(LanguageTest, LoadLanguageSelectsByNameAndWritesItBack) {
    struct Case {
        const char* stored;  // setting.ini content, nullptr: no file
        const char* name;    // argument
        Language expect;
        const char* written;
    };
    const Case cases[] = {
        {"[Setting]\r\nLanguage=chinese\r\n", "", Language::Chinese, "chinese"},
        {"[Setting]\r\nLanguage=Deutsch\r\n", "", Language::English, "Deutsch"},
        {"[setting]\r\nlanguage=Chinese\r\n", "", Language::Chinese, "Chinese"},
        {"[Other]\r\nx=1\r\n", "", Language::English, "English"},  // no entry counts as English
        {nullptr, "Chinese", Language::Chinese, "Chinese"},
        {"[Setting]\r\nLanguage=Chinese\r\n", "English", Language::English, "English"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const auto file = dir / "setting.ini";
        if (c.stored) talvex::testing::writeBytes(file, c.stored);
        std::string error;
        EXPECT_TRUE(LoadLanguage(file, c.name, &error)) << error;
        EXPECT_EQ(activeLanguage(), c.expect) << (c.stored ? c.stored : "(none)");
        EXPECT_EQ(IniFile::load(file).getString("Setting", "Language", "", 1000, Codepage::Ascii), c.written);
    }
}

std::map<std::string, std::string> fakeEnv;
std::optional<std::string> lookupFake(const char* name) {
    const auto it = fakeEnv.find(name);
    if (it == fakeEnv.end()) return std::nullopt;
    return it->second;
}

TEST_F(LanguageTest, FirstRunLanguageFromInstallerFileOrUserLanguage) {
    struct Case {
        const char* installLang;  // nullptr: no install_lang.ini
        std::map<std::string, std::string> env;
        const char* expect;
    };
    const Case cases[] = {
        {"[Setup]\r\nLanguage=Chinese\r\n", {{"LANG", "en_US.UTF-8"}}, "Chinese"},
        {"[Setup]\r\nLanguage=\r\n", {{"LANG", "zh_CN.UTF-8"}}, "Chinese"},
        {nullptr, {{"LANGUAGE", "zh_TW:en"}, {"LANG", "en_US"}}, "Chinese"},
        {nullptr, {{"LANGUAGE", ""}, {"LC_ALL", "de_DE"}, {"LANG", "zh_CN"}}, "English"},
        {nullptr, {{"LC_MESSAGES", "zh_HK.UTF-8"}}, "Chinese"},
        {nullptr, {}, "English"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.installLang) talvex::testing::writeBytes(dir / "install_lang.ini", c.installLang);
        fakeEnv = c.env;
        EXPECT_EQ(DetectInstallLanguage(dir / "install_lang.ini", lookupFake), c.expect);
    }
}

TEST_F(LanguageTest, FirstRunCreatesTheSettingsFileBeforeAnythingReadsIt) {
    TempDir dir;
    AppPaths paths;
    paths.configDir = paths.dataDir = dir.path();
    fakeEnv = {{"LANG", "zh_CN.UTF-8"}};
    LanguageStartup first = startLanguage(paths, lookupFake);
    EXPECT_TRUE(first.createdSettings);
    EXPECT_TRUE(first.ok);
    EXPECT_EQ(activeLanguage(), Language::Chinese);
    EXPECT_EQ(talvex::testing::readBytes(paths.settingsFile()), "[Setting]\r\nLanguage=Chinese\r\n");

    // A later start keeps the stored choice whatever the environment says.
    fakeEnv = {{"LANG", "en_US"}};
    LanguageStartup second = startLanguage(paths, lookupFake);
    EXPECT_FALSE(second.createdSettings);
    EXPECT_EQ(activeLanguage(), Language::Chinese);

    TempDir english;
    paths.configDir = english.path();
    startLanguage(paths, lookupFake);
    EXPECT_EQ(talvex::testing::readBytes(paths.settingsFile()), kDefaultSettings);
    EXPECT_EQ(kDefaultSettings.size(), 29u);
}

TEST_F(LanguageTest, UnwritableSettingsStillMakeTheLanguageActive) {
    TempDir dir;
    AppPaths paths;
    paths.configDir = dir / "missing-dir";  // cannot be created by a plain file write
    fakeEnv = {{"LANG", "zh_CN"}};
    const LanguageStartup r = startLanguage(paths, lookupFake);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(activeLanguage(), Language::Chinese);  // the detected language, kept in memory
}

TEST(AppPathsTest, PortableOnlyWhenAskedForBesideTheProgram) {
    // What sits beside the program decides; a writable program directory alone never does (an
    // installed program run by root would otherwise write into /usr/bin). Every case's folder is
    // writable, as the build folder and a root's /usr/bin are.
    const struct {
        std::vector<std::string> beside;
        bool portable;
    } cases[] = {
        {{}, false},
        {{"talvex-cli"}, false},
        {{"Config.ini", "SensorDB.db"}, false},  // data files alone do not ask for it
        {{"portable"}, true},
        {{"setting.ini"}, true},  // a folder that ran portable before keeps its files
        {{"portable", "setting.ini", "Config.ini"}, true},
    };
    fakeEnv = {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}};
    for (const auto& c : cases) {
        TempDir dir;
        const auto bin = dir / "bin";
        std::filesystem::create_directories(bin);
        for (const auto& name : c.beside) talvex::testing::writeBytes(bin / name, "");
        const AppPaths p = resolveAppPaths(std::nullopt, bin, lookupFake);
        const std::string label = ::testing::PrintToString(c.beside);
        EXPECT_EQ(p.portable, c.portable) << label;
        EXPECT_EQ(p.settingsFile(), c.portable ? bin / "setting.ini" : "/cfg/talvex/setting.ini") << label;
        EXPECT_EQ(p.configFile(), c.portable ? bin / "Config.ini" : "/cfg/talvex/Config.ini") << label;
        EXPECT_EQ(p.dataDir, c.portable ? bin : "/home/u/.local/share/talvex") << label;

        // --data-dir wins over both.
        const AppPaths forced = resolveAppPaths(std::string(dir.path()), bin, lookupFake);
        EXPECT_FALSE(forced.portable) << label;
        EXPECT_EQ(forced.configDir, std::filesystem::path(dir.path())) << label;
        EXPECT_EQ(forced.dataDir, std::filesystem::path(dir.path())) << label;
    }
    // A folder named setting.ini or portable is not a request.
    TempDir dir;
    std::filesystem::create_directories(dir / "bin" / "portable");
    std::filesystem::create_directories(dir / "bin" / "setting.ini");
    EXPECT_FALSE(resolveAppPaths(std::nullopt, dir / "bin", lookupFake).portable);
}

TEST(AppPathsTest, XdgDirectoriesFollowTheEnvironment) {
    fakeEnv = {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}};
    const AppPaths xdg = resolveAppPaths(std::nullopt, "/nonexistent/bin", lookupFake);
    EXPECT_FALSE(xdg.portable);
    EXPECT_EQ(xdg.settingsFile(), std::filesystem::path("/cfg/talvex/setting.ini"));
    EXPECT_EQ(xdg.dataDir, std::filesystem::path("/home/u/.local/share/talvex"));

    fakeEnv = {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "relative/ignored"}, {"XDG_DATA_HOME", "/d"}};
    const AppPaths relative = resolveAppPaths(std::nullopt, "/nonexistent/bin", lookupFake);
    EXPECT_EQ(relative.configDir, std::filesystem::path("/home/u/.config/talvex"));
    EXPECT_EQ(relative.dataDir, std::filesystem::path("/d/talvex"));
}

}  // namespace
}  // namespace talvex
