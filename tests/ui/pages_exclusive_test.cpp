// One sensor operation at a time across pages: while the Records page reads the sensor's history, a
// parameter write from the device page is refused naming the Records tab and sends nothing; once the
// read has ended the same write goes through. (A stopped read leaves the sensor streaming on the
// line, so the write after Stop is the runner test's waiting case, not this one.)
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "device_parameters_page.hpp"
#include "history_page.hpp"
#include "pages_fixture.hpp"
#include "talvex/testing/find_child.hpp"

namespace talvex::ui {
namespace {

using device::ParameterField;
using talvex::testing::child;
using testing::SimulatedLink;

void pacedHistory(sim::BusOptions& o) {
    o.pace = true;
    o.sensors[0].historyRecords = 3000;
    o.sensors[0].historyFormat = 2;  // the read below chooses V2
}

class ExclusivePagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        tabs.addTab(records, "Records");
        tabs.addTab(device, "Device parameters");
        link.connect();  // the poller runs as well: it yields to both
    }
    QLineEdit* field(ParameterField f) {
        const std::string_view name = device::parameterFieldName(f);
        return child<QLineEdit>(
            device, QStringLiteral("field.") + QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    // Clicks the device page's range write and waits for it to end; returns the range registers written.
    std::vector<std::uint16_t> writeRange() {
        link.bus->clearWriteLog(1);
        QSignalSpy done(device, &CVelPageSet::operationFinished);
        child<QPushButton>(device, "writeRangeButton")->click();
        EXPECT_TRUE(done.wait(10000));
        std::vector<std::uint16_t> written;
        for (const auto& w : link.bus->writeLog(1)) written.push_back(w.values.at(0));
        return written;
    }

    SimulatedLink link{1, SensorModel::KA, pacedHistory};
    QTabWidget tabs;
    CVelPageQuery* records = new CVelPageQuery(link.ctx);
    CVelPageSet* device = new CVelPageSet(link.ctx);
};

TEST_F(ExclusivePagesTest, AHistoryReadRefusesAParameterWriteUntilItEnds) {
    field(ParameterField::RangeLow)->setText("0");
    field(ParameterField::RangeHigh)->setText("100000");
    QSignalSpy readDone(records, &CVelPageQuery::operationFinished);
    records->startRead({acquisition::HistoryFormat::V2, 300});  // seconds of records at 19 200 baud
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !link.progress.isEmpty() && link.progress.last() >= 1; }, 10000));

    EXPECT_TRUE(writeRange().empty()) << "nothing reaches the sensor while the read runs";
    EXPECT_EQ(link.prompter.messages.last().toStdString(), GetTextWith("IDS_Operation_Busy", {"Records"}));
    EXPECT_TRUE(readDone.isEmpty()) << "the read goes on";

    ASSERT_TRUE(readDone.wait(20000));
    EXPECT_EQ(writeRange(), (std::vector<std::uint16_t>{0, 0, 1, 34464}));
    EXPECT_EQ(link.prompter.messages.last(), testing::text("IDS_WriteSuccess"));
}

}  // namespace
}  // namespace talvex::ui
