#include "talvex/channel_store.hpp"

#include <gtest/gtest.h>

#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/text_codec.hpp"

namespace talvex {
namespace {

using talvex::testing::TempDir;

// A store over its own session and a scratch Config.ini, recording what it tells the user.
class ChannelStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setActiveLanguage(Language::English);
        store.setSink({[this](MessageKind k, std::string_view t) {
                           messages.emplace_back(t);
                           kinds.push_back(k);
                       },
                       [this](std::string_view l) { log.emplace_back(l); }});
    }
    void TearDown() override { setActiveLanguage(Language::English); }

    std::filesystem::path file() const { return dir / "Config.ini"; }
    void writeConfig(const std::string& text) { talvex::testing::writeBytes(file(), text); }
    LoadReport load() { return store.LoadChannelStore(file()); }
    ChannelEntry entry(int n) const { return s.enumUintEN.get(n); }

    TempDir dir;
    Session s;
    ChannelStore store{s};
    std::vector<std::string> messages, log;
    std::vector<MessageKind> kinds;
};

TEST_F(ChannelStoreTest, FirstRunWritesTheDefaults) {
    const LoadReport r = load();
    EXPECT_TRUE(r.createdDefaults);
    EXPECT_EQ(r.channels, 48);
    EXPECT_EQ(entry(1).sensorId, 1);
    EXPECT_EQ(entry(1).rate, 5);
    EXPECT_EQ(entry(1).enabled, 1);
    EXPECT_EQ(entry(48).sensorId, 48);
    EXPECT_EQ(entry(48).enabled, 0);
    ASSERT_EQ(store.tree().networks.size(), 16u);
    EXPECT_EQ(store.tree().rootLabel, "Channel");
    EXPECT_EQ(store.tree().networks[15].label, "Network16");
    EXPECT_EQ(store.tree().networks[15].nodes[2].label, "Node48");
    EXPECT_TRUE(store.tree().networks[0].nodes[0].enabled);
    EXPECT_FALSE(store.tree().networks[0].nodes[1].enabled);

    const IniFile ini = IniFile::load(file());
    EXPECT_EQ(ini.value("Network1", "Node1"),
              "1,5,1# $SensorID:$Acquisition Rate(sec):$Sensor Enable:@SensorID Range 1-247 | Rate: min 1s + "
              "polling | Enable: 1-On 0-Off");
    EXPECT_EQ(ini.value("Network16", "Node48").value_or("").substr(0, 7), "48,5,0#");
    // Reading a default appends a "#", so the description held in memory ends with one.
    const SelectionResult sel = store.OnChannelSelected({0, 0});
    EXPECT_EQ(sel.description.back(), '#');
    EXPECT_EQ(sel.deviceMark, " ");
}

TEST_F(ChannelStoreTest, FileOrderDecidesChannelNumbers) {
    writeConfig(
        "[Network2]\r\nNode4=40,1,1\r\nNode5=50,2,0\r\nNode6=60,3,1\r\n[Network1]\r\nNode1=10,4,1\r\n");
    load();
    EXPECT_EQ(entry(1).sensorId, 40);
    EXPECT_EQ(entry(3).sensorId, 60);
    EXPECT_EQ(entry(4).sensorId, 10);
    EXPECT_EQ(store.tree().networks[0].nodes[0].channel, 1);
    EXPECT_EQ(store.tree().networks[1].nodes[0].channel, 4);
}

TEST_F(ChannelStoreTest, TableEntriesFromTheRecords) {
    s.enumUintEN.set(5, {9, 9, 1});  // no record for channel 5: left as it was
    writeConfig(
        "[Network1]\r\n"
        "Node1=300,5,1\r\n"  // 8-bit truncation
        "Node2=7,10,2\r\n"   // enabled other than 1 loads as disabled
        "Node3=3,5\r\n"      // two values: (0, 0, 0)
        "[Network2]\r\n"
        "Node4=4,5,257\r\n");  // 257 truncates to 1
    store.setLogEntries(true);
    load();
    EXPECT_EQ(entry(1).sensorId, 44);
    EXPECT_EQ((std::array{entry(2).sensorId, entry(2).rate, entry(2).enabled}),
              (std::array<std::uint8_t, 3>{7, 10, 0}));
    EXPECT_FALSE(store.tree().networks[0].nodes[1].enabled);
    EXPECT_EQ((std::array{entry(3).sensorId, entry(3).rate, entry(3).enabled}),
              (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(entry(4).enabled, 1);
    EXPECT_EQ(entry(5).sensorId, 9);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "enumUintEN[1][0]=44 ");
    EXPECT_EQ(log[5], "enumUintEN[2][2]=0 ");
}

TEST_F(ChannelStoreTest, SavingAnEnableOtherThanZeroOrOneIsRefused) {
    writeConfig("[Network1]\r\nNode1=1,5,1#m$a$b$c@d\r\nNode2=7,10,2#m$a$b$c@d\r\n");
    load();
    const std::string before = talvex::testing::readBytes(file());
    store.OnChannelSelected({0, 1});
    EXPECT_EQ(s.selectedSensorId.load(), 7);
    EXPECT_EQ(store.SaveSelectedChannel(), SaveOutcome::EnableError);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Sensor enable parameter setting error");
    EXPECT_FALSE(store.tree().networks[0].nodes[1].enabled);
    EXPECT_EQ(talvex::testing::readBytes(file()), before);
    EXPECT_EQ(entry(2).enabled, 2);  // stored as read on save, not folded

    // Fixing the value saves it, with the page's fields.
    ChannelEdits edits;
    edits.cell = ChannelEdits::Cell{2, 1, "1"};
    edits.deviceMark = "Tank 2";
    EXPECT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::Saved);
    EXPECT_TRUE(store.tree().networks[0].nodes[1].enabled);
    EXPECT_EQ(IniFile::load(file()).value("Network1", "Node2"), "7,10,1#Tank 2$a$b$c@d#");
}

TEST_F(ChannelStoreTest, SavingAnIdOutsideTheModbusRangeOrARateThatIsNotWholeIsRefused) {
    const struct {
        int row;
        std::string value, message;
    } cases[] = {
        {0, "abc", "The sensor ID must be a whole number from 1 to 247."},
        {0, "0", "The sensor ID must be a whole number from 1 to 247."},
        {0, "248", "The sensor ID must be a whole number from 1 to 247."},
        {0, "", "The sensor ID must be a whole number from 1 to 247."},
        {1, "1.5", "The acquisition rate must be a whole number of seconds from 0 to 255."},
        {1, "256", "The acquisition rate must be a whole number of seconds from 0 to 255."},
        {1, "-1", "The acquisition rate must be a whole number of seconds from 0 to 255."},
    };
    for (const auto& c : cases) {
        writeConfig("[Network1]\r\nNode1=3,5,1#m$a$b$c@d\r\n");
        load();
        const std::string before = talvex::testing::readBytes(file());
        store.OnChannelSelected({0, 0});
        messages.clear();
        ChannelEdits edits;
        edits.cell = ChannelEdits::Cell{c.row, 1, c.value};
        EXPECT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::BadValue) << c.value;
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.value;
        EXPECT_EQ(entry(1).sensorId, 3) << c.value;
        EXPECT_EQ(entry(1).rate, 5) << c.value;
        EXPECT_FALSE(store.ApplyAllChannels()) << c.value;
        EXPECT_EQ(talvex::testing::readBytes(file()), before) << c.value;
    }
    // Rate 0 (every cycle) and the ends of the ID range are sound.
    for (const auto& [row, value] :
         std::vector<std::pair<int, std::string>>{{1, "0"}, {0, "1"}, {0, "247"}}) {
        writeConfig("[Network1]\r\nNode1=3,5,1#m$a$b$c@d\r\n");
        load();
        store.OnChannelSelected({0, 0});
        ChannelEdits edits;
        edits.cell = ChannelEdits::Cell{row, 1, value};
        EXPECT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::Saved) << value;
    }
}

TEST_F(ChannelStoreTest, SaveUsesTheLoadedSlotEvenWhenNetworksAreUneven) {
    writeConfig("[Network1]\r\nNode1=1,5,1\r\nNode2=2,5,1\r\n[Network2]\r\nNode4=4,5,0\r\n");
    load();
    store.OnChannelSelected({1, 0});  // the third record is channel 3 for the poller
    ChannelEdits edits;
    edits.cell = ChannelEdits::Cell{2, 1, "1"};
    EXPECT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::Saved);
    EXPECT_EQ(entry(3).sensorId, 4);
    EXPECT_EQ(entry(3).enabled, 1);
    EXPECT_EQ(entry(4).sensorId, 0);
}

TEST_F(ChannelStoreTest, SelectionValidationAndApply) {
    load();
    store.OnChannelSelected({1, 1});  // Node5, disabled by default
    EXPECT_EQ(s.selectedSensorId.load(), 5);
    store.OnChannelSelected({2, -1});  // a network item selects nothing
    EXPECT_EQ(s.selectedSensorId.load(), 5);
    EXPECT_TRUE(store.FillParameterRows().empty());

    // Sensor 5 is not enabled: the lowest enabled channel's sensor takes over.
    ValidationResult v = store.ValidateSelectedSensor();
    EXPECT_EQ(v.sensorId, 1);
    EXPECT_TRUE(v.announce);
    EXPECT_FALSE(store.ValidateSelectedSensor().announce);  // found and already announced

    store.ClearAllEnables();
    store.OnChannelSelected({0, 2});
    ChannelEdits enable3;
    enable3.cell = ChannelEdits::Cell{2, 1, "1"};
    store.commitEdits(enable3);
    EXPECT_TRUE(store.ApplyAllChannels());
    EXPECT_TRUE(s.scheduleReset.load());
    EXPECT_EQ(entry(1).enabled, 0);
    EXPECT_EQ(entry(3).enabled, 1);
    EXPECT_EQ(s.selectedSensorId.load(), 3);
    const IniFile ini = IniFile::load(file());
    EXPECT_EQ(ini.value("Network1", "Node1").value_or("").substr(0, 6), "1,5,0#");
    EXPECT_EQ(ini.value("Network1", "Node3").value_or("").substr(0, 6), "3,5,1#");
}

TEST_F(ChannelStoreTest, AssignSensorIdsFillsChannelsInTreeOrder) {
    load();
    store.ClearAllEnables();
    store.assignSensorIds({3, 5, 7});
    EXPECT_TRUE(store.ApplyAllChannels());
    EXPECT_EQ(entry(1).sensorId, 3);
    EXPECT_EQ(entry(2).sensorId, 5);
    EXPECT_EQ(entry(3).sensorId, 7);
    EXPECT_EQ(entry(3).enabled, 1);
    EXPECT_EQ(entry(4).sensorId, 4) << "channels beyond the IDs keep theirs";
    EXPECT_EQ(entry(4).enabled, 0);
}

TEST_F(ChannelStoreTest, PendingEditsGoToThePreviousChannelOnSelection) {
    load();
    store.OnChannelSelected({0, 0});
    ChannelEdits edits;
    edits.cell = ChannelEdits::Cell{0, 0, "Address"};
    edits.description = "north tank";
    store.OnChannelSelected({0, 1}, &edits);
    EXPECT_EQ(store.records()[0].channels[0].rows[0].name, "Address");
    EXPECT_EQ(store.records()[0].channels[0].description, "north tank");
    EXPECT_NE(store.records()[0].channels[1].description, "north tank");

    store.setRebuilding(true);  // a rebuild commits nothing
    edits.description = "ignored";
    store.OnChannelSelected({0, 0}, &edits);
    EXPECT_NE(store.records()[0].channels[1].description, "ignored");
}

TEST_F(ChannelStoreTest, SavedValuesAreCutTo126Bytes) {
    load();
    store.OnChannelSelected({0, 0});
    ChannelEdits edits;
    edits.description = std::string(300, 'd');
    ASSERT_EQ(store.SaveSelectedChannel(edits), SaveOutcome::Saved);
    EXPECT_EQ(IniFile::load(file()).value("Network1", "Node1").value_or("").size(), 126u);
}

TEST_F(ChannelStoreTest, AConfigInTheCurrentDirectorySeedsAMissingOne) {
    TempDir cwd;
    talvex::testing::writeBytes(cwd / "Config.ini", "[Network1]\r\nNode1=77,3,1\r\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(cwd.path());
    const LoadReport r = load();
    std::filesystem::current_path(previous);
    EXPECT_TRUE(r.copiedFromCurrentDir);
    EXPECT_EQ(entry(1).sensorId, 77);
}

TEST_F(ChannelStoreTest, AnUnwritableLocationKeepsTheDefaultsInMemory) {
    talvex::testing::writeBytes(dir / "blocker", "x");
    const LoadReport r = store.LoadChannelStore(dir / "blocker" / "Config.ini");
    EXPECT_TRUE(r.defaultsInMemory);
    EXPECT_EQ(r.channels, 48);
    EXPECT_EQ(entry(2).sensorId, 2);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().find(GetText("IDS_Safety_ConfigDefaultsInMemory")), 0u);
    store.OnChannelSelected({0, 0});
    EXPECT_EQ(store.SaveSelectedChannel(), SaveOutcome::WriteFailed);
}

// What the user must know about Config.ini reaches the window as a notice (shown once there) in the
// active language, not only as a log line that appears only while Recv is ticked.
TEST_F(ChannelStoreTest, FileProblemsReachTheUserAsNoticesInTheActiveLanguage) {
    struct Case {
        const char* what;
        std::string content;  // Config.ini before the load
        bool readOnly;
        const char* key;
    };
    const Case cases[] = {
        {"no channel", "[Network1]\r\n", false, "IDS_Safety_ConfigNoChannel"},
        {"too many entries to convert", "[Network1]\r\nNode1=1,5,1#\r\n[Network1]\r\nNode2=2,5,0#\r\n", false,
         "IDS_Safety_ConfigUnconverted"},
        {"read-only on save",
         *encodeGbk("[网络1]\r\n设备1=" + defaultChannelValue(Language::Chinese, 1) + "\r\n"), true,
         "IDS_Safety_ConfigReadOnly"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setActiveLanguage(Language::Chinese);
        messages.clear();
        kinds.clear();
        writeConfig(c.content);
        std::filesystem::permissions(
            file(), c.readOnly ? std::filesystem::perms::owner_read
                               : std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        load();
        if (c.readOnly) {
            store.OnChannelSelected({0, 0});
            EXPECT_EQ(store.SaveSelectedChannel(), SaveOutcome::WriteFailed);
            EXPECT_EQ(talvex::testing::readBytes(file()), c.content);
        }
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(kinds[0], MessageKind::Notice);
        EXPECT_EQ(messages[0].find(GetText(c.key)), 0u) << messages[0];
        std::filesystem::permissions(file(), std::filesystem::perms::owner_all);
    }
}

}  // namespace
}  // namespace talvex
