// The curve page: a stored history is thinned on load, live points follow in batches, the boxes
// hide curves without losing points.
#include <QCheckBox>

#include "curve_page.hpp"
#include "pages_fixture.hpp"
#include "talvex/acquisition/measurement.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/chart/time_chart.hpp"

namespace talvex::ui {
namespace {

using acquisition::Measurement;
using acquisition::StoredRecord;
using testing::SimulatedLink;

void fillStore(acquisition::RecordStore& store, const std::string& key, int count) {
    for (int i = 0; i < count; ++i) {
        Measurement m;
        m.sensorId = static_cast<std::uint8_t>(std::stoi(key));
        m.time = {2024, 5, 17, 8 + i / 3600, i / 60 % 60, i % 60};
        m.h2dg = static_cast<float>(i);
        m.h2ag = static_cast<float>(1000 + i);
        m.temp = 25.5f;
        store.append(key, StoredRecord(m));
    }
}

class CurvePageTest : public ::testing::Test {
  protected:
    SimulatedLink link{1};
    std::unique_ptr<CVelPageChart> page;
    void SetUp() override {
        page = std::make_unique<CVelPageChart>(link.ctx);
        page->resize(1000, 600);
        page->show();
    }
    void TearDown() override {
        link.engine->chartPoints().setHook({});
        link.engine->stop();
        page.reset();
    }
    TimeChart* chart() const { return talvex::testing::child<TimeChart>(page.get(), "chart"); }
    QCheckBox* box(const char* name) const { return talvex::testing::child<QCheckBox>(page.get(), name); }
    std::size_t drawn(int series) const { return chart()->pointCount(series); }
};

TEST_F(CurvePageTest, LoadThinsTheStoredHistory) {
    struct Case {
        const char* key;
        int records;
        std::size_t points;
    } cases[] = {{"7", 5000, 1668}, {"8", 2000, 2000}, {"9", 20000, 2001}, {"10", 0, 0}};
    for (const auto& c : cases) {
        fillStore(link.store, c.key, c.records);
        EXPECT_EQ(page->load(c.key), c.points) << c.key;
        EXPECT_EQ(drawn(0), c.points) << c.key;
        EXPECT_EQ(drawn(1), c.points) << c.key;
    }
}

TEST_F(CurvePageTest, LoadKeepsTheNewestRecordAndThePerModelValue) {
    fillStore(link.store, "7", 5000);
    page->load("7");
    ASSERT_EQ(page->data().size(), 1668u);
    EXPECT_EQ(page->data().h2()[1], 3.0) << "every third record";
    EXPECT_EQ(page->data().h2().back(), 4999.0) << "the newest record is always on the curve";
    EXPECT_EQ(page->data().temp().back(), 25.5);
}

TEST_F(CurvePageTest, GasPhaseModelsChartTheGasValue) {
    link.ctx.model = SensorModel::KG;
    CVelPageChart gas(link.ctx);
    fillStore(link.store, "7", 3);
    gas.load("7");
    EXPECT_EQ(gas.data().h2().front(), 1000.0);
}

TEST_F(CurvePageTest, MalformedTimestampsAreLeftOut) {
    acquisition::TextRecord good{"5", "2024-05-17 10:00:00", "12", "0", "20.0", "0", "0.0", "0.0", "0"};
    acquisition::TextRecord bad = good;
    bad[1] = "2024-02-30 10:00:00";
    acquisition::TextRecord later = good;
    later[1] = "2024-05-17 10:00:05";
    for (const auto& r : {good, bad, later}) link.store.append("5", StoredRecord(r));
    EXPECT_EQ(page->load("5"), 2u);
}

TEST_F(CurvePageTest, OneStoredRecordDrawsNothingAndCountsAsHandedOver) {
    fillStore(link.store, "7", 1);
    EXPECT_EQ(page->load("7"), 1u);
    EXPECT_EQ(drawn(0), 0u);
    link.engine->chartPoints().push({50, 21});
    page->takeLivePoints();
    page->handOver();
    EXPECT_EQ(drawn(0), 1u) << "only the new point is handed over";
    EXPECT_EQ(page->data().size(), 2u);
}

TEST_F(CurvePageTest, LiveBufferDropsToHalfAndRedrawsTheKeptPoints) {
    for (int i = 0; i < 4999; ++i) link.engine->chartPoints().push({static_cast<double>(i), 20});
    page->takeLivePoints();
    page->handOver();
    EXPECT_EQ(drawn(0), 4999u);
    link.engine->chartPoints().push({4999, 20});
    page->takeLivePoints();
    EXPECT_EQ(drawn(0), 0u) << "the chart forgets its points when the buffer halves";
    page->handOver();
    EXPECT_EQ(drawn(0), 2500u);
    EXPECT_EQ(drawn(1), 2500u);
}

TEST_F(CurvePageTest, BoxesHideCurvesAndKeepTheirPoints) {
    fillStore(link.store, "7", 100);
    page->load("7");
    box("h2Box")->click();
    EXPECT_FALSE(chart()->seriesVisible(0));
    EXPECT_TRUE(chart()->seriesVisible(1));
    EXPECT_EQ(drawn(0), 100u);
    box("tempBox")->click();
    box("h2Box")->click();
    EXPECT_TRUE(chart()->seriesVisible(0));
    EXPECT_FALSE(chart()->seriesVisible(1));
}

TEST_F(CurvePageTest, TheSimulatedSensorFeedsTheCurve) {
    page->selectedSensorChanged();
    link.engine->chartPoints().setHook([p = page.get()] {
        QMetaObject::invokeMethod(
            p, [p] { p->takeLivePoints(); }, Qt::QueuedConnection);
    });
    link.connect();
    // The 500 ms hand-over timer gives the chart its points.
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn(0) >= 2; }, 15000));
    EXPECT_EQ(drawn(1), drawn(0));
}

TEST_F(CurvePageTest, TimeStepFollowsTheSpan) {
    fillStore(link.store, "7", 601);  // ten minutes, one point a second
    page->load("7");
    const int width = chart()->width();
    const auto expected = chooseTimeStep(600, width);
    EXPECT_EQ(chart()->timeStepUnit(), expected.step->unit);
    EXPECT_EQ(chart()->timeStepCount(), expected.step->count);
}

}  // namespace
}  // namespace talvex::ui
