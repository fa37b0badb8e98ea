// The channel parameters page: bus search and ID change against the simulated bus, the ID rules
// of enable all, and save through the channel store's operations.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "acquisition/ui/channel_page.hpp"
#include "pages_fixture.hpp"

namespace talvex::ui {
namespace {

using testing::SimulatedLink;
using testing::text;

// Channel records as the store keeps them: 48 channels of (sensor ID, rate, enabled) rows.
struct Channels {
    std::vector<std::array<int, 3>> rows;
    bool applied = false;
    bool saved = false;
    int refills = 0;
    Channels() {
        for (int n = 1; n <= 48; ++n) rows.push_back({n, 5, n == 1 ? 1 : 0});
    }
    ChannelStoreOps ops() {
        ChannelStoreOps o;
        o.channelNodeCount = [this] { return static_cast<int>(rows.size()); };
        o.saveSelectedChannel = [this] { return saved = true; };
        o.clearAllEnables = [this] {
            for (auto& r : rows) r[2] = 0;
        };
        o.assignSensorIds = [this](const std::vector<int>& ids) {
            for (std::size_t i = 0; i < ids.size() && i < rows.size(); ++i) rows[i] = {ids[i], rows[i][1], 1};
        };
        o.applyAllChannels = [this] { return applied = true; };
        o.fillParameterRows = [this] { ++refills; };
        return o;
    }
};

class ChannelPageTest : public ::testing::Test {
protected:
    SimulatedLink link{3};
    Channels channels;
    std::unique_ptr<CVelPageCfg> page;
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        page = std::make_unique<CVelPageCfg>(link.ctx, channels.ops());
        page->show();
    }
    void TearDown() override {
        page->stopSearch();
        page.reset();
    }
};

TEST_F(ChannelPageTest, SearchFindsTheSimulatedSensorsAndStops) {
    link.connect();
    page->searchButton()->click();
    EXPECT_TRUE(page->searchRunning());
    EXPECT_EQ(page->searchButton()->text(), text("IDD_Message_Stop"));
    EXPECT_FALSE(page->modifyButton()->isEnabled()) << "no other sensor operation while the search holds the link";
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->foundCountEdit()->text() == "3"; }, 15000));
    EXPECT_EQ(page->foundIdsEdit()->toPlainText(), "1, 2, 3, ");
    EXPECT_GE(page->progressBar()->value(), 4);

    QSignalSpy finished(page.get(), &CVelPageCfg::searchFinished);
    page->searchButton()->click();  // Stop
    EXPECT_FALSE(page->searchRunning());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(page->searchButton()->text(), text("IDD_Message_Scan"));
    EXPECT_EQ(page->progressBar()->value(), 0);
    EXPECT_TRUE(page->searchButton()->isEnabled());
    EXPECT_TRUE(page->modifyButton()->isEnabled());
    EXPECT_FALSE(link.prompter.messages.contains(text("IDD_Message_ScanOver"))) << "stopped, not completed";
    // The poller gets the link back: records keep coming.
    const auto before = link.store.appendCount("1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.store.appendCount("1") > before; }, 5000));
}

TEST_F(ChannelPageTest, SearchAndModifyNeedAnOpenPort) {
    page->searchButton()->click();
    page->currentIdEdit()->setText("9");
    page->modifyButton()->click();
    EXPECT_EQ(link.prompter.messages, (QStringList{text("IDD_Message_ConnectPort"), text("IDD_Message_ConnectPort")}));
    EXPECT_FALSE(page->searchRunning());
}

TEST_F(ChannelPageTest, ModifyIdChangesTheSensorAndTheSelection) {
    link.arbiter.connected();
    link.sessionState.selectedSensorId = 3;
    page->currentIdEdit()->setText("9");
    QSignalSpy done(page.get(), &CVelPageCfg::modifyFinished);
    page->modifyButton()->click();
    EXPECT_FALSE(page->modifyButton()->isEnabled());
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_SetSucceed")});
    EXPECT_EQ(link.sessionState.selectedSensorId.load(), 9);
    unsigned char reg[2] = {0, 0};
    ASSERT_EQ(RTUReadHoldingRegisters(9, 150, 1, reg), 0) << "the sensor answers at its new ID";
    EXPECT_EQ(reg[0] * 256 + reg[1], 9);
    EXPECT_NE(RTUReadHoldingRegisters(3, 150, 1, reg) & 0xFFFF, 0) << "and no longer at the old one";
}

TEST_F(ChannelPageTest, ModifyFailsWhenTheSensorDoesNotAnswerAtTheNewId) {
    link.arbiter.connected();
    link.sessionState.selectedSensorId = 77;  // nobody there: the write goes unanswered, the read-back fails
    page->currentIdEdit()->setText("78");
    QSignalSpy done(page.get(), &CVelPageCfg::modifyFinished);
    page->modifyButton()->click();
    ASSERT_TRUE(done.wait(15000));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_SetFailed")});
    EXPECT_EQ(link.sessionState.selectedSensorId.load(), 77);
}

TEST_F(ChannelPageTest, BadNewIdSendsNothing) {
    link.arbiter.connected();
    link.sessionState.selectedSensorId = 2;
    for (const char* t : {"248", "0", "word", ""}) {
        link.prompter.messages.clear();
        page->currentIdEdit()->setText(t);
        page->modifyButton()->click();
        EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_EnterInteger")}) << t;
        EXPECT_FALSE(page->busy()) << t;
    }
    EXPECT_TRUE(link.bus->writeLog(2).empty());
}

TEST_F(ChannelPageTest, EnableAllAssignsFoundIdsInChannelOrder) {
    std::string fortyNine;
    for (int i = 1; i <= 49; ++i) fortyNine += std::to_string(100 + i) + ", ";
    struct Case {
        std::string ids;
        QStringList messages;
        int enabled;          // channels enabled afterwards
        std::array<int, 3> channel1;
        std::array<int, 3> channel4;
    } cases[] = {
        {"3, 5, 7", {text("IDD_Message_PsSuccess")}, 3, {3, 5, 1}, {4, 5, 0}},
        {fortyNine, {text("IDS_Tab_Config_TooManyChannels"), text("IDD_Message_PsSuccess")}, 48, {101, 5, 1}, {104, 5, 1}},
        {"0", {text("IDS_Tab_Config_IdOutOfRange")}, 1, {1, 5, 1}, {4, 5, 0}},
        {"300", {text("IDS_Tab_Config_IdOutOfRange")}, 1, {1, 5, 1}, {4, 5, 0}},
        {"none here", {text("IDS_Tab_Config_NoSensorId")}, 1, {1, 5, 1}, {4, 5, 0}},
    };
    for (const auto& c : cases) {
        channels = Channels();
        page = std::make_unique<CVelPageCfg>(link.ctx, channels.ops());
        link.prompter.messages.clear();
        page->foundIdsEdit()->setPlainText(QString::fromStdString(c.ids));
        page->enableAllButton()->click();
        EXPECT_EQ(link.prompter.messages, c.messages) << c.ids;
        int enabled = 0;
        for (const auto& r : channels.rows) enabled += r[2];
        EXPECT_EQ(enabled, c.enabled) << c.ids;
        EXPECT_EQ(channels.rows[0], c.channel1) << c.ids;
        EXPECT_EQ(channels.rows[3], c.channel4) << c.ids;
        EXPECT_EQ(channels.applied, c.messages.back() == text("IDD_Message_PsSuccess")) << c.ids;
    }
}

TEST_F(ChannelPageTest, DisableAllAndEmptyTree) {
    page->disableAllButton()->click();
    for (const auto& r : channels.rows) EXPECT_EQ(r[2], 0);
    EXPECT_TRUE(channels.applied);
    EXPECT_EQ(channels.refills, 1);

    channels.rows.clear();
    link.prompter.messages.clear();
    page->disableAllButton()->click();
    page->foundIdsEdit()->setPlainText("3");
    page->enableAllButton()->click();
    EXPECT_EQ(link.prompter.messages, (QStringList{text("IDD_Message_PsFailed"), text("IDD_Message_PsFailed")}));
}

TEST_F(ChannelPageTest, SaveCommitsAnOpenEditAndReports) {
    CVelPageCfg::ParameterRows seen;
    ChannelStoreOps ops = channels.ops();
    ops.saveSelectedChannel = [&] {
        seen = page->parameterRows();
        return true;
    };
    page = std::make_unique<CVelPageCfg>(link.ctx, ops);
    page->show();
    page->setParameterRows({{"SensorID:", "1"}, {"Acquisition Rate(sec):", "5"}, {"Sensor Enable:", "1"}});
    QTableWidget* list = page->parameterList();
    list->setCurrentCell(1, 1);
    list->editItem(list->item(1, 1));
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("10");
    page->saveButton()->click();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].second, "10") << "the open edit reaches the store";
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_PsSuccess")});

    ops.saveSelectedChannel = [] { return false; };
    page = std::make_unique<CVelPageCfg>(link.ctx, ops);
    page->saveButton()->click();
    EXPECT_EQ(link.prompter.messages.back(), text("IDD_Message_PsFailed"));
}

}  // namespace
}  // namespace talvex::ui
