// The Records page against the simulated sensor over a pseudo-terminal (paced at 19 200 baud): the
// interval and count exchanges, a read with its progress, the export's bytes, records that outlive a
// language switch and a disconnect, Stop, and the busy rule; the options dialog's refusals.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <fstream>
#include <sstream>

#include "history_options_dialog.hpp"
#include "history_page.hpp"
#include "history_table_model.hpp"
#include "pages_fixture.hpp"
#include "talvex/acquisition/history_export.hpp"
#include "talvex/history_registers.hpp"
#include "talvex/testing/find_child.hpp"

namespace talvex::ui {
namespace {

using namespace talvex::sensor::history;
using testing::SimulatedLink;
using testing::text;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void pacedHistory(sim::BusOptions& o) {
    o.pace = true;
    o.sensors[0].historyRecords = 3000;
    o.sensors[0].historyFormat = 2;  // the reads below choose V2
}

class HistoryPageTest : public ::testing::Test {
  protected:
    SimulatedLink link{1, SensorModel::KA, pacedHistory};
    std::unique_ptr<CVelPageQuery> page;
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        link.connect();  // the poller runs: every exchange must take the link from it
        page = std::make_unique<CVelPageQuery>(link.ctx);
        page->resize(900, 500);
        page->show();
    }
    void TearDown() override {
        page.reset();
        setActiveLanguage(Language::English);
    }
    // Runs click and waits for the page to report the end of what it started.
    bool finishes(const std::function<void()>& click, int timeoutMs = 10000) {
        QSignalSpy done(page.get(), &CVelPageQuery::operationFinished);
        click();
        return done.wait(timeoutMs);
    }
    std::vector<std::uint16_t> writtenTo(std::uint16_t reg) const {
        std::vector<std::uint16_t> v;
        for (const auto& w : link.bus->writeLog(1))
            if (w.address == reg) v.insert(v.end(), w.values.begin(), w.values.end());
        return v;
    }
    QString lastMessage() const {
        return link.prompter.messages.isEmpty() ? QString() : link.prompter.messages.last();
    }
    QPushButton* button(const char* name) const {
        return talvex::testing::child<QPushButton>(page.get(), name);
    }
    QTableView* list() const { return talvex::testing::child<QTableView>(page.get(), "list"); }
    HistoryTableModel* model() const { return qobject_cast<HistoryTableModel*>(list()->model()); }
    QLabel* countLabel() const { return talvex::testing::child<QLabel>(page.get(), "countLabel"); }
};

TEST_F(HistoryPageTest, ReadExportAndKeepTheRecords) {
    // Interval: junk is refused without traffic; a whole number is written to the sensor.
    talvex::testing::child<QLineEdit>(page.get(), "intervalEdit")->setText("12abc");
    button("setIntervalButton")->click();
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_BadInterval"));
    EXPECT_TRUE(link.bus->writeLog(1).empty());
    talvex::testing::child<QLineEdit>(page.get(), "intervalEdit")
        ->setText("65535");  // 45 days: the records stay put while the test runs
    ASSERT_TRUE(finishes([&] { button("setIntervalButton")->click(); }));
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_SetOk"));
    EXPECT_EQ(writtenTo(kStorageInterval), std::vector<std::uint16_t>{65535});

    ASSERT_TRUE(finishes([&] { button("getCountButton")->click(); }));
    EXPECT_EQ(countLabel()->text(), "3000");

    link.progress.clear();
    ASSERT_TRUE(finishes([&] { page->startRead({acquisition::HistoryFormat::V2, 40}); }));
    EXPECT_EQ(model()->rowCount(), 40);
    EXPECT_EQ(countLabel()->text(), "Read 40");
    EXPECT_EQ(lastMessage(), "Read 40");
    EXPECT_EQ(link.prompter.captions.last(), text("IDS_Tab_Query_Done"));
    EXPECT_EQ(writtenTo(kRequestedCountHigh), std::vector<std::uint16_t>{0});
    EXPECT_EQ(writtenTo(kRequestedCountLow), std::vector<std::uint16_t>{40});
    EXPECT_EQ(writtenTo(kStart), std::vector<std::uint16_t>{kStartCommand});
    ASSERT_GE(link.progress.size(), 4);
    EXPECT_EQ(link.progress.front(), 0);
    EXPECT_EQ(link.progress.mid(link.progress.size() - 2), (QList<int>{100, -1}));
    EXPECT_TRUE(std::is_sorted(link.progress.begin(), link.progress.end() - 1));
    const int width = list()->viewport()->width();
    int columns = 0;
    for (int c = 0; c < 7; ++c) columns += list()->columnWidth(c);
    EXPECT_LE(columns, width) << "no horizontal overflow";
    EXPECT_GE(columns, width - 30) << "the columns fill the list but for a scroll bar";

    // Export: a name without extension gets ".csv"; the bytes are the core writer's.
    link.prompter.fileToChoose = link.dir.filePath("history");
    ASSERT_TRUE(finishes([&] { button("exportButton")->click(); }));
    const std::string path = link.dir.filePath("history.csv").toStdString();
    EXPECT_EQ(lastMessage(), QString::fromStdString("Exported to " + path + "!"));
    const std::string expected = link.dir.filePath("expected.csv").toStdString();
    ASSERT_EQ(acquisition::writeHistoryCsv(expected, *model()->table(), acquisition::historyFileHeadings(),
                                           OutputRule{}),
              acquisition::HistoryExportOutcome::Done);
    EXPECT_EQ(slurp(path), slurp(expected));
    EXPECT_EQ(
        slurp(path).rfind("\xEF\xBB\xBFSensor ID,Time,H2(PPM),Temp(℃),Day ROC,Pressure,Moisture\r\n1,20", 0),
        0u);

    // A language switch re-titles the list and keeps its records; so does a disconnect.
    const QString firstTime = model()->data(model()->index(0, 1)).toString();
    setActiveLanguage(Language::Chinese);
    page->retranslate();
    EXPECT_EQ(model()->headerData(2, Qt::Horizontal).toString(), text("IDS_Tab_Query_Col_H2"));
    EXPECT_EQ(button("readButton")->text(), text("IDS_Tab_Query_B4"));
    setActiveLanguage(Language::English);
    page->retranslate();
    link.engine->stop();
    link.arbiter.disconnecting();
    RTUCloseCom();
    EXPECT_EQ(model()->rowCount(), 40);
    EXPECT_EQ(model()->data(model()->index(0, 1)).toString(), firstTime);
    // The closed port is seen inside the hold, on the worker: the message comes when that has ended.
    ASSERT_TRUE(finishes([&] { button("getCountButton")->click(); }));
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_OpenPortFirst"));
    ASSERT_TRUE(finishes([&] { page->startRead({acquisition::HistoryFormat::V2, 5}); }));
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_OpenPortFirst"));
    EXPECT_EQ(model()->rowCount(), 40);

    button("clearButton")->click();
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_ClearUnsup"));
}

TEST_F(HistoryPageTest, StopKeepsWhatArrivedAndBusyRefusesOthers) {
    EXPECT_FALSE(button("stopButton")->isEnabled());
    button("exportButton")->click();
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_ReadFirst"));

    // 3000 records take over 40 s at 19 200 baud; Stop ends the read with what has arrived.
    QSignalSpy done(page.get(), &CVelPageQuery::operationFinished);
    link.progress.clear();
    page->startRead({acquisition::HistoryFormat::V2, 3000});
    EXPECT_TRUE(button("stopButton")->isEnabled()) << "Stop is offered while the read runs";
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !link.progress.isEmpty() && link.progress.last() >= 1; }, 10000));
    button("getCountButton")->click();
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_Busy"));
    page->startRead({acquisition::HistoryFormat::V2, 10});
    EXPECT_EQ(lastMessage(), text("IDS_Tab_Query_Busy"));
    button("stopButton")->click();
    ASSERT_TRUE(done.wait(3000));
    const int kept = model()->rowCount();
    EXPECT_GE(kept, 30);
    EXPECT_LT(kept, 3000);
    EXPECT_FALSE(button("stopButton")->isEnabled()) << "the read is over";
    EXPECT_TRUE(lastMessage().startsWith(QString("Read %1 history records").arg(kept)))
        << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(QString("Requested 3000, sensor returned %1.").arg(kept)));
}

// The read's message says which format the records are in when the other one was chosen, and how
// many damaged records were skipped.
TEST_F(HistoryPageTest, TheMessageNamesTheOtherFormatAndCountsDamagedRecords) {
    ASSERT_TRUE(finishes([&] { page->startRead({acquisition::HistoryFormat::V1, 5}); }, 15000));
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(lastMessage(), "Read 0\nThe records are in the V2 format: choose V2.");
    EXPECT_EQ(countLabel()->text(), lastMessage());

    auto sensor = sim::defaultSensorConfig(1, SensorModel::KA);
    sensor.historyFormat = 2;
    sensor.historyRecords = 10;
    sensor.historyCorruptRecord = 2;
    ASSERT_TRUE(link.bus->removeSensor(1));
    ASSERT_TRUE(link.bus->addSensor(sensor));
    ASSERT_TRUE(finishes([&] { page->startRead({acquisition::HistoryFormat::V2, 10}); }, 15000));
    EXPECT_EQ(model()->rowCount(), 9);
    EXPECT_TRUE(lastMessage().contains(" damaged records skipped.")) << lastMessage().toStdString();
}

// Stop while the count is still being sent: no read began, so the list keeps the records of the
// earlier read and nothing announces "Read 0". A port that closes under a read ends it with what
// arrived, and the box says the port closed.
TEST_F(HistoryPageTest, StopDuringTheCountKeepsTheListAndAClosedPortIsNamed) {
    ASSERT_TRUE(finishes([&] { page->startRead({acquisition::HistoryFormat::V2, 20}); }));
    ASSERT_EQ(model()->rowCount(), 20);
    const auto shown = link.prompter.messages.size();
    ASSERT_TRUE(finishes([&] {
        page->startRead({acquisition::HistoryFormat::V2, 10});
        button("stopButton")->click();  // the count takes 1.2 s to send
    }));
    EXPECT_EQ(model()->rowCount(), 20);
    EXPECT_EQ(link.prompter.messages.size(), shown) << lastMessage().toStdString();
    EXPECT_FALSE(button("stopButton")->isEnabled());

    QSignalSpy done(page.get(), &CVelPageQuery::operationFinished);
    link.progress.clear();
    page->startRead({acquisition::HistoryFormat::V2, 3000});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !link.progress.isEmpty() && link.progress.last() >= 1; }, 10000));
    link.engine->stop();
    link.arbiter.disconnecting();
    RTUCloseCom();
    ASSERT_TRUE(done.wait(5000));
    const int kept = model()->rowCount();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 3000);
    EXPECT_EQ(lastMessage().toStdString(),
              GetTextWith("IDS_Tab_Query_PortClosedRead", {std::to_string(kept)}));
}

TEST(HistoryOptionsDialog, StartRefusesAClosedPortAndJunkCounts) {
    testing::ScriptedPrompter prompter;
    bool closed = true;
    CVelDlgQuery dialog(prompter, [&] { return closed; });
    dialog.show();
    auto* versionBox = talvex::testing::child<QComboBox>(&dialog, "versionBox");
    auto* countEdit = talvex::testing::child<QLineEdit>(&dialog, "countEdit");
    auto* startButton = talvex::testing::child<QPushButton>(&dialog, "startButton");
    EXPECT_EQ(versionBox->currentIndex(), 0) << "V1 first";
    countEdit->setText("70000");
    startButton->click();
    EXPECT_EQ(prompter.messages.last(), text("IDS_Tab_Query_OpenPortFirst"));
    EXPECT_TRUE(dialog.isVisible());
    closed = false;
    for (const char* junk : {"12abc", "4294967296", "-1"}) {
        countEdit->setText(junk);
        startButton->click();
        EXPECT_EQ(prompter.messages.last(), text("IDS_Tab_Query_BadCount")) << junk;
        EXPECT_FALSE(dialog.choice()) << junk;
    }
    // The box starts empty, and empty reads every record (0).
    for (const char* all : {"", "  "}) {
        CVelDlgQuery fresh(prompter, [] { return false; });
        auto* box = talvex::testing::child<QLineEdit>(&fresh, "countEdit");
        EXPECT_TRUE(box->text().isEmpty());
        box->setText(all);
        talvex::testing::child<QPushButton>(&fresh, "startButton")->click();
        ASSERT_TRUE(fresh.choice()) << '"' << all << '"';
        EXPECT_EQ(fresh.choice()->count, 0u);
    }
    countEdit->setText("4294967295");
    versionBox->setCurrentIndex(1);
    startButton->click();
    ASSERT_TRUE(dialog.choice());
    EXPECT_EQ(dialog.choice()->count, 4294967295u);
    EXPECT_EQ(dialog.choice()->format, acquisition::HistoryFormat::V2);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace talvex::ui
