// The acquisition page against the simulated bus: records reach the list, the status word reaches
// the indicators, delete asks and touches one sensor only, export writes the file.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "acquisition_page.hpp"
#include "pages_fixture.hpp"
#include "record_table_model.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/testing/raw_db.hpp"

namespace talvex::ui {
namespace {

using testing::SimulatedLink;
using testing::text;

long long dbRows(const std::string& path, const char* sensorId) {
    return talvex::testing::RawDb(path).number(
        std::string("select count(*) from SensorData where SensorId = '") + sensorId + "'");
}

class AcquisitionPageTest : public ::testing::Test {
  protected:
    SimulatedLink link{3};
    std::unique_ptr<CVelPageListData> page;

    void SetUp() override {
        ASSERT_TRUE(link.opened);
        page = std::make_unique<CVelPageListData>(link.ctx);
        page->resize(1000, 600);
        page->show();
    }
    void TearDown() override { page.reset(); }

    template <class T>
    T* child(const char* name) const {
        return talvex::testing::child<T>(page.get(), name);
    }
    QTableView* list() const { return child<QTableView>("list"); }
    RecordTableModel* model() const { return qobject_cast<RecordTableModel*>(list()->model()); }
    QPushButton* deleteButton() const { return child<QPushButton>("deleteButton"); }
    QPushButton* exportButton() const { return child<QPushButton>("exportButton"); }
    QPushButton* autoReadButton() const { return child<QPushButton>("autoReadButton"); }
    QCheckBox* wirelessBox() const { return child<QCheckBox>("wirelessBox"); }
    bool indicatorShown(Indicator i) const {
        return !talvex::testing::child<QLabel>(page.get(),
                                               QStringLiteral("indicator%1").arg(static_cast<int>(i)))
                    ->isHidden();
    }
    // Opens the list's context menu at a viewport position, as a right click does, and picks Copy
    // when a menu shows; false when none shows.
    bool copyThroughContextMenu(const QPoint& pos) {
        bool shown = false, looked = false;
        QTimer::singleShot(0, [&] {
            looked = true;
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            shown = true;
            for (QAction* a : menu->actions())
                if (a->text() == text("IDS_List_Copy")) menu->setActiveAction(a);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, pos, list()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list()->viewport(), &click);
        EXPECT_TRUE(QTest::qWaitFor([&] { return looked; }, 5000));
        return shown;
    }

    // Waits (up to a deadline) until the store holds records for every given sensor, then stops
    // the poller so that the counts stay put.
    void collectThenStop(std::initializer_list<const char*> keys) {
        link.connect();
        for (const char* k : keys)
            ASSERT_TRUE(QTest::qWaitFor([&] { return link.store.recordCount(k) >= 2; }, 15000)) << k;
        link.engine->stop();
    }
};

TEST_F(AcquisitionPageTest, RecordsOfTheSelectedSensorReachTheListWithinTwoSeconds) {
    page->selectedSensorChanged();
    link.connect();
    // The poller's first record may take a bus round; from the store the page has two seconds.
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.store.appendCount("1") > 0; }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model()->rowCount() > 0; }, 2000));
    EXPECT_EQ(model()->cellText(0, 0), "1");
    EXPECT_FALSE(model()->cellText(0, 1).isEmpty()) << "timestamp";
    // Another sensor's records never show while sensor 1 is selected.
    for (int r = 0; r < model()->rowCount(); ++r) ASSERT_EQ(model()->cellText(r, 0), "1");
}

TEST_F(AcquisitionPageTest, AnEmptyListFitsItsHeadingsWhateverWidthItHadBefore) {
    page->selectedSensorChanged();
    ASSERT_EQ(model()->rowCount(), 0);
    page->resize(120, 600);  // narrower than the headings: they are squeezed for now
    QCoreApplication::processEvents();
    page->resize(1000, 600);
    QCoreApplication::processEvents();
    const QHeaderView* header = list()->horizontalHeader();
    const QFontMetrics fm(header->font());
    for (int c = 0; c < model()->columnCount(); ++c) {
        const QString heading = model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(c), fm.horizontalAdvance(heading)) << heading.toStdString();
    }
}

TEST_F(AcquisitionPageTest, StatusWordDrivesTheIndicators) {
    page->selectedSensorChanged();
    link.bus->pokeRegister(1, 111, 0x0810);
    link.connect();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            page->refreshTick();
            return indicatorShown(Indicator::HR);
        },
        15000));
    EXPECT_TRUE(indicatorShown(Indicator::R1));
    EXPECT_FALSE(indicatorShown(Indicator::MT));
    EXPECT_FALSE(indicatorShown(Indicator::OT));
}

TEST_F(AcquisitionPageTest, DeleteAsksFirstAndEmptiesOnlyTheSelectedSensor) {
    collectThenStop({"1", "2"});
    page->selectedSensorChanged();
    page->refreshTick();
    const auto before1 = link.store.recordCount("1");
    const auto before2 = link.store.recordCount("2");
    const long long rows2 = dbRows(link.ctx.databasePath, "2");
    ASSERT_GT(rows2, 0);

    // Cancel: nothing happens anywhere.
    link.prompter.answers = {false};
    deleteButton()->click();
    EXPECT_EQ(link.prompter.questions.size(), 1);
    EXPECT_EQ(link.store.recordCount("1"), before1);
    EXPECT_GT(dbRows(link.ctx.databasePath, "1"), 0);
    EXPECT_TRUE(link.prompter.messages.isEmpty());

    // OK: sensor 1 is gone from the database, the store and the list; sensor 2 keeps everything.
    link.prompter.answers = {true};
    QSignalSpy done(page.get(), &CVelPageListData::operationFinished);
    deleteButton()->click();
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(dbRows(link.ctx.databasePath, "1"), 0);
    EXPECT_EQ(link.store.recordCount("1"), 0u);
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(link.store.recordCount("2"), before2);
    EXPECT_EQ(dbRows(link.ctx.databasePath, "2"), rows2);
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDS_Tab_Acquisition_DataDeleted")});
    EXPECT_TRUE(deleteButton()->isEnabled());
}

TEST_F(AcquisitionPageTest, ExportWritesTheSelectedSensorAndOffersToOpenItWhereALauncherExists) {
    collectThenStop({"2"});
    link.sessionState.selectedSensorId = 2;
    page->selectedSensorChanged();
    QSignalSpy done(page.get(), &CVelPageListData::operationFinished);
    // With a launcher: "Exported to" with the offer, the file opened on OK. Without one: only
    // "Exported to", nothing that reads as a failure.
    for (const bool launcher : {true, false}) {
        link.prompter = {};
        link.prompter.launcher = launcher;
        link.prompter.fileToChoose = link.dir.filePath(launcher ? "out.csv" : "quiet.csv");
        exportButton()->click();
        EXPECT_FALSE(exportButton()->isEnabled()) << "disabled while the export runs";
        ASSERT_TRUE(done.wait(10000));
        EXPECT_EQ(link.prompter.suggestedNames, QStringList{"SensorData_ID2"});
        QFile f(link.prompter.fileToChoose);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[0],
                  QByteArray("\xEF\xBB\xBFSensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus"));
        EXPECT_TRUE(lines[1].startsWith("2,"));
        const QStringList& shown = launcher ? link.prompter.questions : link.prompter.messages;
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].startsWith(text("IDS_Tab_Acquisition_ExportedTo")));
        EXPECT_EQ(shown[0].endsWith(text("IDS_FirstUse_OpenExported")), launcher);
        EXPECT_EQ(link.prompter.messages.size() + link.prompter.questions.size(), 1);
        EXPECT_EQ(link.prompter.opened, launcher ? QStringList{link.prompter.fileToChoose} : QStringList{});
        ASSERT_FALSE(link.progress.isEmpty());
        EXPECT_TRUE(link.progress.contains(100));
        EXPECT_EQ(link.progress.back(), -1) << "the progress bar is hidden at the end";
        EXPECT_TRUE(exportButton()->isEnabled());
    }
}

TEST_F(AcquisitionPageTest, ExportOfASensorWithoutRowsWritesNothing) {
    acquisition::MeasurementDb db(link.ctx.databasePath, nullptr,
                                  [](std::string_view k) { return GetText(k); });
    ASSERT_EQ(db.open(), 0);
    link.sessionState.selectedSensorId = 42;
    page->selectedSensorChanged();
    link.prompter.fileToChoose = link.dir.filePath("none.csv");
    QSignalSpy done(page.get(), &CVelPageListData::operationFinished);
    exportButton()->click();
    ASSERT_TRUE(done.wait(10000));
    EXPECT_FALSE(QFile::exists(link.prompter.fileToChoose));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDS_Tab_Acquisition_NoData")});
}

TEST_F(AcquisitionPageTest, AutoReadNeedsAnOpenPort) {
    ASSERT_TRUE(link.arbiter.linkClosed());
    autoReadButton()->click();
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_ConnectPort")});
    EXPECT_EQ(link.prompter.captions, QStringList{"Waring"});
    EXPECT_TRUE(link.engine->autoRead());

    link.arbiter.connected();
    autoReadButton()->click();
    EXPECT_FALSE(link.engine->autoRead());
    EXPECT_EQ(autoReadButton()->text(), text("IDS_Tab_Acquisition_AutoRead"));
    autoReadButton()->click();
    EXPECT_TRUE(link.engine->autoRead());
    EXPECT_EQ(autoReadButton()->text(), text("IDS_Tab_Acquisition_StopRead"));
}

TEST_F(AcquisitionPageTest, WirelessBoxAsksAndSwitchesColumns) {
    struct Case {
        bool answer;
        bool wireless;
        bool checked;
        int columns;
    } cases[] = {{false, false, false, 9}, {true, true, true, 10}};
    for (const auto& c : cases) {
        link.prompter.answers = {c.answer};
        wirelessBox()->setChecked(false);
        wirelessBox()->click();
        EXPECT_EQ(link.engine->wirelessDcuMode(), c.wireless);
        EXPECT_EQ(wirelessBox()->isChecked(), c.checked);
        EXPECT_EQ(model()->columnCount(), c.columns);
    }
    wirelessBox()->click();  // clearing asks nothing
    EXPECT_FALSE(link.engine->wirelessDcuMode());
    EXPECT_EQ(link.prompter.questions.size(), 2);
}

TEST_F(AcquisitionPageTest, SaveToDatabaseBoxSetsTheFlag) {
    EXPECT_TRUE(link.engine->saveToDatabase());
    child<QCheckBox>("saveToDbBox")->click();
    EXPECT_FALSE(link.engine->saveToDatabase());
}

TEST_F(AcquisitionPageTest, CopyTakesTheCellUnderTheCursorOnly) {
    collectThenStop({"1"});
    page->selectedSensorChanged();
    QTableView* view = list();
    const QRect first = view->visualRect(model()->index(0, 0));
    QApplication::clipboard()->clear();
    EXPECT_TRUE(copyThroughContextMenu(first.center()));
    EXPECT_EQ(QApplication::clipboard()->text(), "1");
    const int belowLast = view->visualRect(model()->index(model()->rowCount() - 1, 0)).bottom() + 5;
    ASSERT_LT(belowLast, view->viewport()->height());
    QApplication::clipboard()->clear();
    EXPECT_FALSE(copyThroughContextMenu(QPoint(first.center().x(), belowLast))) << "no menu below the rows";
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST(WirelessList, NodeNumberIsTheRecordsPlaceInItsPoll) {
    acquisition::RecordStore store;
    store.selectSensor("9");
    auto record = [](const char* ts, int h2) {
        return acquisition::StoredRecord(
            acquisition::TextRecord{"9", ts, std::to_string(h2), "0", "20.0", "80", "0.0", "0.0", "0"});
    };
    for (int n = 0; n < 16; ++n) store.appendToDisplay("9", record("2024-05-17 10:00:00", n));
    for (int n = 0; n < 3; ++n)
        store.appendToDisplay("9", record("2024-05-17 10:00:05", n));  // a poll cut short
    for (int n = 0; n < 2; ++n) store.appendToDisplay("9", record("2024-05-17 10:00:09", n));
    RecordTableModel model(store);
    model.setColumns(listColumns(SensorModel::KA, ColumnSet::Wireless), QStringList());
    model.refresh();
    ASSERT_EQ(model.rowCount(), 21);
    struct Case {
        int row;
        const char* node;
    } cases[] = {{0, "1"}, {1, "2"}, {15, "16"}, {16, "1"}, {18, "3"}, {19, "1"}, {20, "2"}};
    for (const auto& c : cases) EXPECT_EQ(model.cellText(c.row, 1), c.node) << c.row;
    EXPECT_EQ(model.cellText(18, 0), "9") << "DCU ID";
    EXPECT_EQ(model.cellText(18, 6), "80") << "SOC";
    EXPECT_EQ(model.cellText(18, 7), "") << "no daily rate in a node's record";
}

}  // namespace
}  // namespace talvex::ui
