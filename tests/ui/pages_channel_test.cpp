// The channel parameters page: bus search and ID change against the simulated bus, the ID rules
// of enable all, and save through the channel store's operations.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <QFile>

#include "channel_page.hpp"
#include "channel_store_link.hpp"
#include "pages_fixture.hpp"
#include "talvex/channel_store.hpp"
#include "talvex/testing/find_child.hpp"

namespace talvex::ui {
namespace {

using testing::SimulatedLink;
using testing::text;

class ChannelPageTest : public ::testing::Test {
  protected:
    SimulatedLink link{3};
    std::unique_ptr<ChannelStore> store;
    std::unique_ptr<CVelPageCfg> page;
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        freshChannels();
    }
    // A Config.ini written with the defaults (channel n: sensor n, 5 s, only channel 1 enabled),
    // loaded into a store the page is attached to.
    void freshChannels() {
        page.reset();
        QFile::remove(configPath());
        store = std::make_unique<ChannelStore>(link.sessionState);
        store->LoadChannelStore(configPath().toStdString());
        page = std::make_unique<CVelPageCfg>(link.ctx);
        attachChannelStore(*page, *store);
        page->show();
    }
    QString configPath() const { return link.dir.filePath("Config.ini"); }
    // Selects channel n in the tree and shows its rows, as the window does.
    void select(int channel) {
        const auto r = store->OnChannelSelected({(channel - 1) / 3, (channel - 1) % 3});
        CVelPageCfg::ParameterRows rows;
        for (const auto& row : r.rows)
            rows.emplace_back(QString::fromStdString(row.name), QString::fromStdString(row.value));
        page->setParameterRows(rows);
        page->setDeviceMark(QString::fromStdString(r.deviceMark));
        page->setDescription(QString::fromStdString(r.description));
    }
    std::array<int, 3> entry(int channel) const {
        const auto e = link.sessionState.enumUintEN.get(channel);
        return {e.sensorId, e.rate, e.enabled};
    }
    void TearDown() override {
        page->stopSearch();
        page.reset();
    }

    template <class T>
    T* child(const char* name) const {
        return talvex::testing::child<T>(page.get(), name);
    }
    QPushButton* searchButton() const { return child<QPushButton>("searchButton"); }
    QPushButton* modifyButton() const { return child<QPushButton>("modifyButton"); }
    QLineEdit* currentIdEdit() const { return child<QLineEdit>("currentIdEdit"); }
    QLineEdit* foundCountEdit() const { return child<QLineEdit>("foundCountEdit"); }
    QPlainTextEdit* foundIdsEdit() const { return child<QPlainTextEdit>("foundIdsEdit"); }
    QProgressBar* searchProgress() const { return child<QProgressBar>("searchProgress"); }
};

TEST_F(ChannelPageTest, SearchFindsTheSimulatedSensorsAndStops) {
    link.connect();
    searchButton()->click();
    EXPECT_EQ(searchButton()->text(), text("IDD_Message_Stop")) << "the search runs";
    EXPECT_FALSE(modifyButton()->isEnabled()) << "no other sensor operation while the search holds the link";
    ASSERT_TRUE(QTest::qWaitFor([&] { return foundCountEdit()->text() == "3"; }, 15000));
    EXPECT_EQ(foundIdsEdit()->toPlainText(), "1, 2, 3, ");
    EXPECT_GE(searchProgress()->value(), 4);

    QSignalSpy finished(page.get(), &CVelPageCfg::searchFinished);
    searchButton()->click();  // Stop
    EXPECT_EQ(searchButton()->text(), text("IDD_Message_Scan")) << "the search has stopped at once";
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(searchButton()->text(), text("IDD_Message_Scan"));
    EXPECT_EQ(searchProgress()->value(), 0);
    EXPECT_TRUE(searchButton()->isEnabled());
    EXPECT_TRUE(modifyButton()->isEnabled());
    EXPECT_FALSE(link.prompter.messages.contains(text("IDD_Message_ScanOver"))) << "stopped, not completed";
    // The poller gets the link back: records keep coming.
    const auto before = link.store.appendCount("1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.store.appendCount("1") > before; }, 15000));
}

TEST_F(ChannelPageTest, SearchComparesOnlyTheLowByteOfTheAnsweredId) {
    link.bus->pokeRegister(2, 150, 0x0102);  // high byte set: still sensor 2
    link.bus->pokeRegister(3, 150, 0x0009);  // answers with another address: not counted
    link.arbiter.connected();
    searchButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return searchProgress()->value() >= 4; }, 15000));
    EXPECT_EQ(foundIdsEdit()->toPlainText(), "1, 2, ");
    EXPECT_EQ(foundCountEdit()->text(), "2");
    QSignalSpy finished(page.get(), &CVelPageCfg::searchFinished);
    searchButton()->click();
    ASSERT_TRUE(finished.wait(10000));
}

TEST_F(ChannelPageTest, SearchAndModifyNeedAnOpenPort) {
    QSignalSpy searched(page.get(), &CVelPageCfg::searchFinished);
    searchButton()->click();
    ASSERT_TRUE(searched.wait(10000));
    currentIdEdit()->setText("9");
    modifyButton()->click();
    EXPECT_EQ(link.prompter.messages,
              (QStringList{text("IDD_Message_ConnectPort"), text("IDD_Message_ConnectPort")}));
    EXPECT_EQ(searchButton()->text(), text("IDD_Message_Scan")) << "no search started";
    EXPECT_TRUE(searchButton()->isEnabled());
    EXPECT_TRUE(modifyButton()->isEnabled());
}

TEST_F(ChannelPageTest, APortClosedWhileTheSearchWaitsForTheLinkIsSeenAndNothingIsSent) {
    foundIdsEdit()->setPlainText("1, 2, ");  // the last search's list
    link.arbiter.connected();
    ASSERT_TRUE(link.arbiter.enterPoll());  // a poll slot is under way: the search waits for it
    QSignalSpy searched(page.get(), &CVelPageCfg::searchFinished);
    searchButton()->click();
    link.arbiter.setLinkClosed(true);  // the port closes before the poller leaves
    link.arbiter.leavePoll();
    ASSERT_TRUE(searched.wait(10000));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_ConnectPort")});
    EXPECT_EQ(foundCountEdit()->text(), "") << "no candidate was asked";
    EXPECT_EQ(foundIdsEdit()->toPlainText(), "1, 2, ");
    EXPECT_EQ(searchButton()->text(), text("IDD_Message_Scan"));
    EXPECT_TRUE(searchButton()->isEnabled());
}

TEST_F(ChannelPageTest, ModifyIdChangesTheSensorAndTheSelection) {
    link.arbiter.connected();
    link.sessionState.selectedSensorId = 3;
    currentIdEdit()->setText("9");
    QSignalSpy done(page.get(), &CVelPageCfg::modifyFinished);
    modifyButton()->click();
    EXPECT_FALSE(modifyButton()->isEnabled());
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
    currentIdEdit()->setText("78");
    QSignalSpy done(page.get(), &CVelPageCfg::modifyFinished);
    modifyButton()->click();
    ASSERT_TRUE(done.wait(15000));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_SetFailed")});
    EXPECT_EQ(link.sessionState.selectedSensorId.load(), 77);
}

TEST_F(ChannelPageTest, BadNewIdSendsNothing) {
    link.arbiter.connected();
    link.sessionState.selectedSensorId = 2;
    for (const char* t : {"248", "0", "word", ""}) {
        link.prompter.messages.clear();
        currentIdEdit()->setText(t);
        modifyButton()->click();
        EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_EnterInteger")}) << t;
        EXPECT_TRUE(modifyButton()->isEnabled()) << t << ": no operation started";
    }
    EXPECT_TRUE(link.bus->writeLog(2).empty());
}

TEST_F(ChannelPageTest, EnableAllAssignsFoundIdsInChannelOrder) {
    std::string fortyNine;
    for (int i = 1; i <= 49; ++i) fortyNine += std::to_string(100 + i) + ", ";
    const QString ok = text("IDD_Message_PsSuccess");
    struct Case {
        std::string ids;
        QStringList messages;
        std::array<int, 3> channel1, channel3, channel4, channel48;
    } cases[] = {
        {"3, 5, 7", {ok}, {3, 5, 1}, {7, 5, 1}, {4, 5, 0}, {48, 5, 0}},
        {fortyNine,
         {text("IDS_Tab_Config_TooManyChannels"), ok},
         {101, 5, 1},
         {103, 5, 1},
         {104, 5, 1},
         {148, 5, 1}},
        {"0", {text("IDS_Tab_Config_IdOutOfRange")}, {1, 5, 1}, {3, 5, 0}, {4, 5, 0}, {48, 5, 0}},
        {"300", {text("IDS_Tab_Config_IdOutOfRange")}, {1, 5, 1}, {3, 5, 0}, {4, 5, 0}, {48, 5, 0}},
        {" , ", {text("IDS_Tab_Config_NoSensorId")}, {1, 5, 1}, {3, 5, 0}, {4, 5, 0}, {48, 5, 0}},
        // A range reads as talvex-cli and talvex-sim read it; what is no ID is named, nothing changes.
        {"2-4", {ok}, {2, 5, 1}, {4, 5, 1}, {4, 5, 0}, {48, 5, 0}},
        {"none here",
         {text("IDS_Window_NotASensorIdRange").arg("none")},
         {1, 5, 1},
         {3, 5, 0},
         {4, 5, 0},
         {48, 5, 0}},
    };
    for (const auto& c : cases) {
        freshChannels();
        link.prompter.messages.clear();
        foundIdsEdit()->setPlainText(QString::fromStdString(c.ids));
        child<QPushButton>("enableAllButton")->click();
        EXPECT_EQ(link.prompter.messages, c.messages) << c.ids;
        EXPECT_EQ(entry(1), c.channel1) << c.ids;
        EXPECT_EQ(entry(3), c.channel3) << c.ids;
        EXPECT_EQ(entry(4), c.channel4) << c.ids;
        EXPECT_EQ(entry(48), c.channel48) << c.ids;
    }
    // What was applied is in the file: a reload gives the same table.
    freshChannels();
    foundIdsEdit()->setPlainText("3, 5, 7");
    child<QPushButton>("enableAllButton")->click();
    ChannelStore reloaded(link.sessionState);
    link.sessionState.enumUintEN.set(2, {});
    reloaded.LoadChannelStore(configPath().toStdString());
    EXPECT_EQ(entry(2), (std::array<int, 3>{5, 5, 1}));
}

TEST_F(ChannelPageTest, DisableAllClearsEveryChannel) {
    select(1);
    child<QPushButton>("disableAllButton")->click();
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_PsSuccess")});
    for (int ch = 1; ch <= 48; ++ch) ASSERT_EQ(entry(ch)[2], 0) << ch;
    EXPECT_EQ(child<QTableWidget>("parameterList")->item(2, 1)->text(), "0") << "the rows are refilled";
}

TEST_F(ChannelPageTest, EnableAndDisableAllNeedChannels) {
    page = std::make_unique<CVelPageCfg>(link.ctx);
    ChannelStore empty(link.sessionState);
    attachChannelStore(*page, empty);
    child<QPushButton>("disableAllButton")->click();
    foundIdsEdit()->setPlainText("3");
    child<QPushButton>("enableAllButton")->click();
    EXPECT_EQ(link.prompter.messages,
              (QStringList{text("IDD_Message_PsFailed"), text("IDD_Message_PsFailed")}));
}

TEST_F(ChannelPageTest, SaveTakesTheEditsIntoTheChannelAndTheFile) {
    select(2);
    QTableWidget* list = child<QTableWidget>("parameterList");
    list->setCurrentCell(1, 1);
    list->editItem(list->item(1, 1));
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("10");  // still open when Save is pressed
    page->setDeviceMark("Tank A");
    child<QPushButton>("saveButton")->click();
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_PsSuccess")});
    EXPECT_EQ(entry(2), (std::array<int, 3>{2, 10, 0}));
    QFile f(configPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("=2,10,0#Tank A$")) << "saved to Config.ini";

    list->item(2, 1)->setText("2");  // enable must be 0 or 1
    child<QPushButton>("saveButton")->click();
    EXPECT_EQ(link.prompter.messages.back(), text("IDD_Message_PsFailed"));
}

}  // namespace
}  // namespace talvex::ui
