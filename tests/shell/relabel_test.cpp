#include <gtest/gtest.h>

#include "talvex/channel_store.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"
#include "talvex/language_switch.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace talvex {
namespace {

using talvex::testing::TempDir;

class RelabelTest : public ::testing::Test {
  protected:
    void TearDown() override { setActiveLanguage(Language::English); }
    std::filesystem::path file() const { return dir / "Config.ini"; }
    // Loads as a start does, in the given language.
    void startIn(Language language) {
        setActiveLanguage(language);
        ChannelStore store{s};
        store.setSink(sink);
        store.LoadChannelStore(file());
    }
    TempDir dir;
    Session s;
    std::vector<std::string> log;
    MessageSink sink{nullptr, [this](std::string_view l) { log.emplace_back(l); }};
};

TEST_F(RelabelTest, SwitchingToChineseRenamesLabelsAndKeepsTheValues) {
    startIn(Language::English);
    setActiveLanguage(Language::Chinese);
    EXPECT_TRUE(RelabelConfigFile(file(), sink));
    const IniFile ini = IniFile::load(file());
    EXPECT_FALSE(ini.hasSection("Network1"));
    const auto v = ini.value("网络1", "设备1");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, defaultChannelValue(Language::Chinese, 1));
    EXPECT_EQ(v->substr(0, 6), "1,5,1#");
    EXPECT_EQ(ini.value("网络16", "设备48").value_or("").substr(0, 7), "48,5,0#");
    EXPECT_FALSE(isValidUtf8(talvex::testing::readBytes(file())));  // the file is GBK now
    EXPECT_FALSE(std::filesystem::exists(dir / "Config.ini.bak"));

    // And back, after the values were edited in Chinese.
    IniFile edited = ini;
    edited.writeString("网络1", "设备2",
                       "9,7,1# $传感器ID:$采集速率(秒):$传感器启用:@传感器ID范围 1-247 | 速率：最小1秒+轮询 "
                       "| 启用：1-开 0-关#");
    ASSERT_TRUE(edited.save(file()));
    startIn(Language::English);
    EXPECT_EQ(IniFile::load(file()).value("Network1", "Node2"),
              "9,7,1# $SensorID:$Acquisition Rate(sec):$Sensor Enable:@SensorID Range 1-247 | Rate: min 1s + "
              "polling | Enable: 1-On 0-Off");
    EXPECT_EQ(s.enumUintEN.get(2).sensorId, 9);
}

TEST_F(RelabelTest, ASwitchRebuildsTheTreeAndKeepsTheSelection) {
    setActiveLanguage(Language::English);
    ChannelStore store{s};
    store.LoadChannelStore(file());
    store.OnChannelSelected({1, 1});  // Node5
    AppPaths paths;
    paths.configDir = paths.dataDir = dir.path();

    const LanguageSwitch done = switchLanguageFiles(paths, Language::Chinese, sink);
    EXPECT_TRUE(done.settingsSaved);
    EXPECT_TRUE(done.converted);
    EXPECT_EQ(activeLanguage(), Language::Chinese);
    EXPECT_EQ(talvex::testing::readBytes(paths.settingsFile()), "[Setting]\r\nLanguage=Chinese\r\n");

    const SelectionResult sel = store.RebuildChannelTree();
    EXPECT_FALSE(store.rebuilding());
    EXPECT_TRUE(sel.isNode);
    EXPECT_EQ(store.selection().network, 1);
    EXPECT_EQ(store.selection().node, 1);
    EXPECT_EQ(store.tree().rootLabel, "设备通道");
    EXPECT_EQ(store.tree().networks[1].label, "网络2");
    EXPECT_EQ(store.tree().networks[1].nodes[1].label, "设备5");
    EXPECT_EQ(sel.rows[0].name, "传感器ID:");
    EXPECT_EQ(s.selectedSensorId.load(), 5);
}

TEST_F(RelabelTest, TextsTheUserChangedSurviveStartsAndSwitches) {
    struct Case {
        const char* stored;   // English file, channel 1
        const char* chinese;  // after switching to Chinese
    };
    const Case cases[] = {
        // Only the device mark was changed: names and description still convert.
        {"1,5,1#Tank A$SensorID:$Acquisition Rate(sec):$Sensor Enable:@SensorID Range 1-247 | Rate: min 1s + "
         "polling | Enable: 1-On 0-Off#",
         "1,5,1#Tank A$传感器ID:$采集速率(秒):$传感器启用:@传感器ID范围 1-247 | 速率：最小1秒+轮询 | "
         "启用：1-开 0-关"},
        // Own description and a renamed parameter are kept; the other names convert.
        {"1,5,1# $Address$Acquisition Rate(sec):$Sensor Enable:@Transformer 3, north side#",
         "1,5,1# $Address$采集速率(秒):$传感器启用:@Transformer 3, north side#"},
        // A fourth, user-made row keeps its name.
        {"1,5,1,8# $SensorID:$Acquisition Rate(sec):$Sensor Enable:$Offset@SensorID Range 1-247 | Rate: min "
         "1s + polling | Enable: 1-On 0-Off",
         "1,5,1,8# $传感器ID:$采集速率(秒):$传感器启用:$Offset@传感器ID范围 1-247 | 速率：最小1秒+轮询 | "
         "启用：1-开 0-关"},
        // Only a mark, no names at all.
        {"1,5,1#Boiler", "1,5,1#Boiler"},
        // Untouched defaults convert whole, as before.
        {"1,5,1# $SensorID:$Acquisition Rate(sec):$Sensor Enable:@SensorID Range 1-247 | Rate: min 1s + "
         "polling | Enable: 1-On 0-Off#",
         "1,5,1# $传感器ID:$采集速率(秒):$传感器启用:@传感器ID范围 1-247 | 速率：最小1秒+轮询 | 启用：1-开 "
         "0-关"},
        {"1,5,1#",
         "1,5,1# $传感器ID:$采集速率(秒):$传感器启用:@传感器ID范围 1-247 | 速率：最小1秒+轮询 | 启用：1-开 "
         "0-关"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(relabelChannelValue(c.stored, 1, Language::Chinese), c.chinese) << c.stored;
        // Restarting in English keeps the user's text as it is.
        const std::string english = relabelChannelValue(c.stored, 1, Language::English);
        EXPECT_EQ(relabelChannelValue(english, 1, Language::English), english);
        // Switching back gives what an English start makes of the original.
        EXPECT_EQ(relabelChannelValue(c.chinese, 1, Language::English), english) << c.stored;
    }
}

TEST_F(RelabelTest, AUserDeviceMarkSurvivesARealRestart) {
    startIn(Language::English);
    {
        ChannelStore store{s};
        store.LoadChannelStore(file());
        store.OnChannelSelected({0, 0});
        ChannelEdits edits;
        edits.deviceMark = "Transformer T1";
        edits.description = "Main tank, valve 2";
        ASSERT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::Saved);
    }
    startIn(Language::English);
    ChannelStore again{s};
    again.LoadChannelStore(file());
    const SelectionResult sel = again.OnChannelSelected({0, 0});
    EXPECT_EQ(sel.deviceMark, "Transformer T1");
    EXPECT_EQ(sel.description, "Main tank, valve 2#");
    EXPECT_EQ(sel.rows[0].name, "SensorID:");
}

// Config.ini stays GBK in English too, and limits count GBK bytes: a 39-character Chinese
// description (78 GBK bytes, 117 in UTF-8) survives an English session in which another channel is
// saved, and nothing in the file is cut that the user did not edit.
TEST_F(RelabelTest, AChineseDescriptionSurvivesAnEnglishSessionWhole) {
    std::string desc;
    for (int i = 0; i < 13; ++i) desc += "变压器";
    const auto save = [&](Language language, int node, ChannelEdits edits) {
        startIn(language);
        ChannelStore store{s};
        store.setSink(sink);
        store.LoadChannelStore(file());
        store.OnChannelSelected({0, node});
        ASSERT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::Saved);
    };
    ChannelEdits described;
    described.description = desc;
    save(Language::Chinese, 0, described);
    ChannelEdits marked;
    marked.deviceMark = "Pump";
    save(Language::English, 1, marked);
    EXPECT_FALSE(isValidUtf8(talvex::testing::readBytes(file())));  // GBK on disk while English is active
    startIn(Language::Chinese);
    ChannelStore store{s};
    store.LoadChannelStore(file());
    EXPECT_EQ(store.OnChannelSelected({0, 0}).description, desc + "#");
    EXPECT_EQ(store.OnChannelSelected({0, 1}).deviceMark, "Pump");
}

TEST_F(RelabelTest, ARewriteThatComesOutShortRestoresTheBackup) {
    // Two entries for Node1 in one section: the rewrite keeps one, so the count differs.
    const std::string original = "[Network1]\r\nNode1=1,5,1#\r\nnode1=2,5,1#\r\nNode2=2,5,0#\r\n";
    talvex::testing::writeBytes(file(), original);
    setActiveLanguage(Language::Chinese);
    EXPECT_FALSE(RelabelConfigFile(file(), sink));
    EXPECT_EQ(talvex::testing::readBytes(file()), original);
    EXPECT_FALSE(std::filesystem::exists(dir / "Config.ini.bak"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), GetText("IDS_Safety_ConfigRestored"));
}

TEST_F(RelabelTest, ASectionListedTwiceIsLeftAsItIs) {
    const std::string original =
        "[Network1]\r\nNode1=1,5,1#\r\n[Network2]\r\nNode4=4,5,0#\r\n[Network1]\r\nNode2=2,5,0#\r\n";
    talvex::testing::writeBytes(file(), original);
    setActiveLanguage(Language::Chinese);
    EXPECT_FALSE(RelabelConfigFile(file(), sink));
    EXPECT_EQ(talvex::testing::readBytes(file()), original);
}

TEST_F(RelabelTest, ForeignSectionsAndKeysAreCarriedOver) {
    talvex::testing::writeBytes(
        file(), "[Network1]\r\nNode1=1,5,1#\r\nPump=9,9,9#own\r\n[Extra]\r\nNode2=2,5,0#\r\n");
    setActiveLanguage(Language::Chinese);
    EXPECT_TRUE(RelabelConfigFile(file(), sink));
    const IniFile ini = IniFile::load(file());
    EXPECT_EQ(ini.value("网络1", "Pump"), "9,9,9#own");
    EXPECT_EQ(ini.value("Extra", "设备2").value_or("").substr(0, 7), "2,5,0# ");
}

}  // namespace
}  // namespace talvex
