// Damaged settings files: nothing may crash, unreadable parts fall back as the store defines,
// and the log says what happened.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <random>

#include "talvex/channel_store.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace talvex {
namespace {

using talvex::testing::TempDir;

// Random bytes on one line that opens no section and holds no "=".
std::string junk(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) {
        do c = static_cast<char>(rng() & 0xFF);
        while (c == '[' || c == '\n' || c == '\r' || c == '=');
    }
    return s;
}

struct GarbledCase {
    const char* name;
    std::string bytes;
    int channels;          // channel items expected after loading
    bool defaults;         // the defaults were taken in memory
    std::uint8_t firstId;  // sensor ID of channel 1
};

void PrintTo(const GarbledCase& c, std::ostream* os) {
    *os << c.name;
}

class GarbledConfigTest : public ::testing::TestWithParam<GarbledCase> {};

TEST_P(GarbledConfigTest, LoadsWithoutCrashingAndReportsFallbacks) {
    for (Language language : {Language::English, Language::Chinese}) {
        setActiveLanguage(language);
        TempDir dir;
        const GarbledCase& c = GetParam();
        talvex::testing::writeBytes(dir / "Config.ini", c.bytes);
        Session s;
        ChannelStore store{s};
        std::vector<std::string> log;
        store.setSink({nullptr, [&](std::string_view l) { log.emplace_back(l); }});
        const LoadReport r = store.LoadChannelStore(dir / "Config.ini");
        EXPECT_EQ(r.channels, c.channels) << c.name;
        EXPECT_EQ(r.defaultsInMemory, c.defaults) << c.name;
        EXPECT_EQ(s.enumUintEN.get(1).sensorId, c.firstId) << c.name;
        if (c.defaults) {
            EXPECT_FALSE(log.empty()) << c.name;
            EXPECT_EQ(talvex::testing::readBytes(dir / "Config.ini"), c.bytes)
                << "a garbled file is not overwritten";
        }
        // Saving what was loaded works and gives a file that loads again.
        store.OnChannelSelected({0, 0});
        EXPECT_NE(store.SaveSelectedChannel(), SaveOutcome::WriteFailed) << c.name;
        Session s2;
        ChannelStore reread{s2};
        EXPECT_GT(reread.LoadChannelStore(dir / "Config.ini").channels, 0) << c.name;
    }
    setActiveLanguage(Language::English);
}

std::string manyChannels() {
    std::string s;
    for (int net = 1; net <= 20; ++net) {
        s += "[Net" + std::to_string(net) + "]\r\n";
        for (int k = 0; k < 3; ++k) s += "N" + std::to_string(k) + "=" + std::to_string(net) + ",5,1\r\n";
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GarbledConfigTest,
    ::testing::Values(
        GarbledCase{"binary junk", junk(4096, 1), 48, true, 1},
        GarbledCase{"junk after a good section", "[Network1]\r\nNode1=5,5,1\r\n" + junk(3000, 2), 2, false,
                    5},
        GarbledCase{"a line of 20000 bytes",
                    "[Network1]\r\nNode1=6,5,1#" + std::string(20000, '9') + "\r\nNode2=2,5,0\r\n", 2, false,
                    6},
        GarbledCase{"a key of 5000 bytes",
                    "[Network1]\r\n" + std::string(5000, 'K') + "=1,1,1\r\nNode2=3,5,0\r\n", 1, false,
                    0},  // the key list buffer holds only the cut long key
        GarbledCase{"entries without a section", "Node1=1,5,1\r\nNode2=2,5,0\r\n", 48, true, 1},
        GarbledCase{"sections without entries", "[Network1]\r\n[Network2]\r\n", 48, true, 1},
        GarbledCase{"empty file", "", 48, true, 1},
        GarbledCase{"duplicate keys and sections", "[N]\r\nA=8,1,1\r\na=9,1,1\r\n[n]\r\nB=7,1,1\r\n", 1,
                    false, 8},
        GarbledCase{"invalid GBK and NUL bytes",
                    std::string("[\xFF\xFE\x81]\r\nNode1=4,5,1#\x81\x20\xFF\0x\r\n", 26), 1, false, 4},
        GarbledCase{"lines without =", "[Network1]\r\nhello\r\nNode2=2,5,1\r\n", 2, false, 0},
        GarbledCase{"more than 48 channels", manyChannels(), 48, false, 1},
        GarbledCase{"LF line ends and blanks", "  [Network1]  \n  Node1 =  11,5,1  \n", 1, false, 11}),
    [](const ::testing::TestParamInfo<GarbledCase>& param) {
        std::string name = param.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(GarbledSettingsTest, SettingsFileDamageFallsBackToEnglish) {
    struct Case {
        std::string bytes;
        Language expect;
    };
    const Case cases[] = {
        {junk(2000, 3), Language::English},
        {"[Setting]\r\nLanguage=" + std::string(5000, 'C'), Language::English},
        {"[Setting]\r\nLanguage=Chinese\r\n[Setting]\r\nLanguage=English\r\n", Language::Chinese},
        {"\xEF\xBB\xBF[Setting]\r\nLanguage=Chinese\r\n", Language::Chinese},  // a byte-order mark is skipped
    };
    for (const auto& c : cases) {
        TempDir dir;
        talvex::testing::writeBytes(dir / "setting.ini", c.bytes);
        EXPECT_TRUE(LoadLanguage(dir / "setting.ini", ""));
        EXPECT_EQ(activeLanguage(), c.expect);
    }
    setActiveLanguage(Language::English);
}

}  // namespace
}  // namespace talvex

namespace talvex {
namespace {

// Random files built from the characters the layout gives meaning to. Whatever the file holds,
// loading yields 1..48 channels, and a conversion either leaves the file alone or keeps every entry.
TEST(GarbledFuzzTest, LoadingAndConversionKeepTheirPromises) {
    const std::string alphabet[] = {
        "[",        "]",     "=",     "#",     "$",        "@",    ",", "1",    "7",  "300",
        "Network1", "Node2", "网络3", "设备4", "\xCD\xF8", "\xFF", " ", "\r\n", "\n", "\r\n[Network2]\r\n"};
    std::mt19937 rng(20240611);
    for (int round = 0; round < 60; ++round) {
        std::string bytes;
        const int pieces = static_cast<int>(rng() % 200);
        for (int i = 0; i < pieces; ++i) bytes += alphabet[rng() % std::size(alphabet)];
        for (Language language : {Language::English, Language::Chinese}) {
            TempDir dir;
            talvex::testing::writeBytes(dir / "Config.ini", bytes);
            setActiveLanguage(language);
            const std::size_t entriesBefore = IniFile::load(dir / "Config.ini").entryCount();
            if (RelabelConfigFile(dir / "Config.ini")) {
                EXPECT_EQ(IniFile::load(dir / "Config.ini").entryCount(), entriesBefore) << round;
            } else {
                EXPECT_EQ(talvex::testing::readBytes(dir / "Config.ini"), bytes) << round;
            }
            EXPECT_FALSE(std::filesystem::exists(dir / "Config.ini.bak"));
            Session s;
            ChannelStore store{s};
            const LoadReport r = store.LoadChannelStore(dir / "Config.ini");
            EXPECT_GE(r.channels, 1) << round;
            EXPECT_LE(r.channels, 48) << round;
            store.OnChannelSelected({0, 0});
            store.ApplyAllChannels();
        }
    }
    setActiveLanguage(Language::English);
}

}  // namespace
}  // namespace talvex
