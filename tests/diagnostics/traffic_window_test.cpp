// The traffic page and the tree tooltips over a link monitor fed with tap frames (no line needed), and
// their place in the workbench window: off by default under View.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <fstream>

#include "../ui/ui_fixture.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/crc16.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/diagnostics/bus_diagnostics.hpp"
#include "talvex/ui/main_window.hpp"
#include "traffic_model.hpp"
#include "traffic_window.hpp"

namespace talvex::ui::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using talvex::testing::child;

Bytes withCrc(Bytes b) {
    b.resize(b.size() + 2);
    appendCrc(b.data(), b.size() - 2);
    return b;
}

// One exchange as the tap reports it: the request, then the response (empty: the sensor stayed silent).
void exchange(diagnostics::LinkMonitor& m, const Bytes& request, const Bytes& response, int outcome) {
    static long long us = 1'000'000;
    RTUFrame f{us, RTU_FRAME_REQUEST, RTU_OUTCOME_SENT, 0, static_cast<int>(request.size()), request.data()};
    m.take(f);
    us += 20'000;
    f = RTUFrame{us, RTU_FRAME_RESPONSE, outcome, 0, static_cast<int>(response.size()), response.data()};
    m.take(f);
    us += 100'000;
}

void feed(diagnostics::LinkMonitor& m) {
    exchange(m, withCrc({1, 3, 0, 0, 0, 1}), withCrc({1, 3, 2, 0, 7}), RTU_OUTCOME_ACCEPTED);
    exchange(m, withCrc({2, 6, 0, 9, 0, 50}), withCrc({2, 6, 0, 9, 0, 50}), RTU_OUTCOME_ACCEPTED);
    exchange(m, withCrc({3, 3, 0, 0, 0, 15}), {}, RTU_OUTCOME_NO_RESPONSE);
}

QString cell(TrafficModel* model, int row, int column) {
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

class TrafficPage : public UiTest {
  protected:
    diagnostics::LinkMonitor monitor_;
};

TEST_F(TrafficPage, ListsFiltersPausesExportsAndClears) {
    TrafficWindow w(monitor_);
    auto* statistics = child<QTableWidget>(&w, "statisticsTable");
    auto* sensorFilter = child<QComboBox>(&w, "sensorFilter");
    auto* functionFilter = child<QComboBox>(&w, "functionFilter");
    auto* pause = child<QPushButton>(&w, "pauseButton");
    feed(monitor_);
    w.refresh();
    auto* m = qobject_cast<TrafficModel*>(child<QTableView>(&w, "frameView")->model());
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->rowCount(), 6);
    EXPECT_EQ(cell(m, 0, TrafficModel::Bytes), "01 03 00 00 00 01 84 0A");
    EXPECT_EQ(cell(m, 0, TrafficModel::Summary), "read holding registers 0+1");
    EXPECT_EQ(cell(m, 1, TrafficModel::Direction), "Response");
    EXPECT_EQ(cell(m, 1, TrafficModel::Response), "20.0");
    EXPECT_EQ(cell(m, 5, TrafficModel::Outcome), "Time-out");
    EXPECT_EQ(cell(m, 5, TrafficModel::Sensor), "3");  // the silent sensor's empty response is its own
    EXPECT_EQ(statistics->rowCount(), 3);
    EXPECT_EQ(statistics->item(2, 3)->text(), "1");  // sensor 3: one time-out

    // Filters: the sensor list offers the sensors seen.
    ASSERT_EQ(sensorFilter->count(), 4);
    sensorFilter->setCurrentIndex(sensorFilter->findData(2));
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_EQ(cell(m, 0, TrafficModel::Function), "6");
    sensorFilter->setCurrentIndex(0);
    functionFilter->setCurrentIndex(functionFilter->findData(3));
    EXPECT_EQ(m->rowCount(), 4);

    // Pause holds the list; what arrived meanwhile follows on resume.
    pause->setChecked(true);
    feed(monitor_);
    w.refresh();
    EXPECT_EQ(m->rowCount(), 4);
    pause->setChecked(false);
    EXPECT_EQ(m->rowCount(), 8);

    // Export writes the frames shown, with a header line.
    const auto path = dir_ / "traffic.csv";
    ASSERT_TRUE(w.exportCsv(QString::fromStdString(path.string())));
    const std::string csv = readFile(path);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 9);
    EXPECT_EQ(csv.find("seq,time,us,direction,"), 0u);
    EXPECT_EQ(csv.find(",6,"), std::string::npos);  // no write shown, none exported
    EXPECT_FALSE(w.exportCsv(QString::fromStdString((dir_ / "missing" / "x.csv").string())));

    child<QPushButton>(&w, "clearButton")->click();
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_EQ(statistics->rowCount(), 0);
    EXPECT_EQ(monitor_.log().size(), 0u);
}

TEST(TrafficModelCapacity, KeepsOnlyTheNewestFrames) {
    TrafficModel m(4);
    std::vector<diagnostics::TrafficFrame> frames(6);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].seq = i + 1;
        frames[i].bytes = withCrc({1, 3, 0, 0, 0, 1});
    }
    m.append({frames.begin(), frames.begin() + 3});
    m.append({frames.begin() + 3, frames.end()});
    ASSERT_EQ(m.rowCount(), 4);
    EXPECT_EQ(cell(&m, 0, TrafficModel::Seq), "3");
    EXPECT_EQ(cell(&m, 3, TrafficModel::Seq), "6");

    // A filter change lists again from the frames held: the dropped ones are gone, not just hidden.
    m.setFilter(std::nullopt, std::nullopt);
    ASSERT_EQ(m.rowCount(), 4);
    EXPECT_EQ(cell(&m, 0, TrafficModel::Seq), "3");
}

TEST_F(TrafficPage, OffByDefaultUnderViewAndStatisticsInTheTreeTooltip) {
    MainWindowOptions o;
    o.pageFactory = createDiagnosticsLayerPage;
    CMorvaneDlg window(o);
    auto* diag = window.findChild<BusDiagnostics*>();
    ASSERT_NE(diag, nullptr);
    auto* action = child<QAction>(&window, "busTrafficAction");
    EXPECT_TRUE(window.viewMenu()->actions().contains(action));
    EXPECT_EQ(action->text(), "&Bus traffic");
    EXPECT_FALSE(action->isChecked());
    EXPECT_EQ(window.findChild<TrafficWindow*>(), nullptr);  // made when first opened

    action->trigger();
    auto* traffic = child<TrafficWindow>(&window, "trafficWindow");
    EXPECT_TRUE(traffic->isVisible());
    traffic->close();
    EXPECT_FALSE(action->isChecked());

    session().enumUintEN.set(1, {3, 1, 1});
    session().enumUintEN.set(2, {9, 1, 1});
    feed(diag->monitor());
    const QString tip = diag->channelTooltip(1);
    EXPECT_TRUE(tip.contains("Requests: 1")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("Time-outs: 1")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("Last failure: Time-out")) << tip.toStdString();
    EXPECT_EQ(diag->channelTooltip(2), "No traffic with this sensor yet");

    window.switchLanguage("Chinese");
    EXPECT_EQ(action->text(), QString::fromUtf8("总线通信(&B)"));
    session().enumUintEN.set(1, {3, 1, 1});  // the switch reloaded the channel table
    EXPECT_TRUE(diag->channelTooltip(1).contains(QString::fromUtf8("超时: 1")))
        << diag->channelTooltip(1).toStdString();
}

}  // namespace
}  // namespace talvex::ui::test
