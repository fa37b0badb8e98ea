// The three pages inside the workbench window: the tree's selection fills the channel page and
// points the list and the curve at the sensor; connected to the simulated bus, records and curve
// points arrive through the window.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "acquisition_page.hpp"
#include "channel_page.hpp"
#include "curve_page.hpp"
#include "history_page.hpp"
#include "record_table_model.hpp"
#include "simulated_bus.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/measurement.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/acquisition/page_factory.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/chart/time_chart.hpp"
#include "talvex/ui/main_window.hpp"
#include "ui_fixture.hpp"
#include "workbench_link.hpp"

namespace talvex::ui::test {
namespace {

constexpr int kWaitMs = 15000;  // the first poll needs one bus round; CI shares two cores

class PagesInWindow : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        session().selectedSensorId = 1;
        const acquisition::EngineOptions o = programEngineOptions(dir_);
        engine_ = std::make_unique<acquisition::AcquisitionEngine>(arbiter_, store_, session(), o);
        MainWindowOptions wo;
        wo.model = SensorModel::KA;
        wo.databasePath = o.databasePath;
        wo.pageFactory = createAcquisitionLayerPage;
        link_ = std::make_unique<app::WorkbenchLink>(engine_.get(), &arbiter_, app::simulatedBusStarter());
        wo.link = link_.get();
        window_ = std::make_unique<CMorvaneDlg>(wo, CoreRefs{engine_.get(), &arbiter_, &store_});
        window_->show();
    }
    void TearDown() override {
        if (window_->connected()) window_->toggleConnection();
        window_.reset();
        link_.reset();
        engine_.reset();
        UiTest::TearDown();
    }
    void fillStore(std::uint8_t sensor, int count) {
        for (int i = 0; i < count; ++i) {
            acquisition::Measurement m;
            m.sensorId = sensor;
            m.time = {2024, 5, 17, 8, i / 60 % 60, i % 60};
            m.h2dg = static_cast<float>(i);
            store_.append(std::to_string(sensor), acquisition::StoredRecord(m));
        }
    }
    template <class T>
    T* page(PageSlot slot) const {
        return dynamic_cast<T*>(window_->page(slot));
    }
    // A part of a page, by its object name.
    template <class T>
    static T* part(const QWidget* page, const char* name) {
        return talvex::testing::child<T>(page, name);
    }
    static std::size_t curvePoints(const CVelPageChart* curve) {
        return part<TimeChart>(curve, "chart")->pointCount(0);
    }
    static int listRows(const CVelPageListData* list) {
        return part<QTableView>(list, "list")->model()->rowCount();
    }

    acquisition::LinkArbiter arbiter_;
    acquisition::RecordStore store_;
    std::unique_ptr<acquisition::AcquisitionEngine> engine_;
    std::unique_ptr<app::WorkbenchLink> link_;
    std::unique_ptr<CMorvaneDlg> window_;
};

TEST_F(PagesInWindow, TheFactoryFillsItsFourSlots) {
    EXPECT_NE(page<CVelPageCfg>(PageSlot::Configuration), nullptr);
    EXPECT_NE(page<CVelPageListData>(PageSlot::Acquisition), nullptr);
    EXPECT_NE(page<CVelPageChart>(PageSlot::Curve), nullptr);
    EXPECT_NE(page<CVelPageQuery>(PageSlot::History), nullptr);
}

TEST_F(PagesInWindow, SelectingAChannelFillsTheChannelPage) {
    auto* cfg = page<CVelPageCfg>(PageSlot::Configuration);
    ASSERT_NE(cfg, nullptr);
    window_->tree()->select({0, 1});  // Node2: sensor 2, 5 s, disabled by default
    const auto rows = cfg->parameterRows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].second, "2");
    EXPECT_EQ(rows[1].second, "5");
    EXPECT_EQ(rows[2].second, "0");
    EXPECT_EQ(part<QLineEdit>(cfg, "currentIdEdit")->text(), "2");

    // An edit left in the page goes into that channel when the selection moves on.
    part<QTableWidget>(cfg, "parameterList")->item(1, 1)->setText("9");
    window_->tree()->select({0, 0});
    EXPECT_EQ(window_->channels().records()[0].channels[1].rows[1].value, "9");
}

// Saving or applying the channels can move the selected sensor (a new ID on the selected channel,
// or the old ID no longer enabled): the curve and the list follow it, as after a tree selection.
TEST_F(PagesInWindow, PagesFollowTheSensorThatSavingOrApplyingSelects) {
    fillStore(1, 10);
    fillStore(3, 20);
    fillStore(4, 30);
    auto* cfg = page<CVelPageCfg>(PageSlot::Configuration);
    auto* list = page<CVelPageListData>(PageSlot::Acquisition);
    auto* curve = page<CVelPageChart>(PageSlot::Curve);
    ASSERT_TRUE(cfg && list && curve);
    // The window starts on Node1 (sensor 1); selecting it again after the store was filled reloads.
    window_->tree()->select({-1, -1});
    window_->tree()->select({0, 0});
    ASSERT_EQ(curvePoints(curve), 10u);

    // Enable all with 3, 5, 7: channel 1 now holds 3 and sensor 1 is enabled nowhere.
    part<QPlainTextEdit>(cfg, "foundIdsEdit")->setPlainText("3, 5, 7, ");
    part<QPushButton>(cfg, "enableAllButton")->click();
    EXPECT_EQ(session().selectedSensorId.load(), 3);
    EXPECT_EQ(curvePoints(curve), 20u);
    EXPECT_EQ(listRows(list), 20);
    EXPECT_EQ(part<QLineEdit>(cfg, "currentIdEdit")->text(), "3");

    // A new ID typed into the selected channel and saved.
    part<QTableWidget>(cfg, "parameterList")->item(0, 1)->setText("4");
    part<QPushButton>(cfg, "saveButton")->click();
    EXPECT_EQ(session().selectedSensorId.load(), 4);
    EXPECT_EQ(curvePoints(curve), 30u);
    EXPECT_EQ(listRows(list), 30);
}

TEST_F(PagesInWindow, ConnectedRecordsReachTheListAndTheCurve) {
    auto* ports = talvex::testing::child<QComboBox>(window_.get(), "portList");
    ports->setCurrentIndex(ports->count() - 1);  // the simulated bus
    window_->connectButton()->click();
    ASSERT_TRUE(window_->connected()) << (prompts_.texts.empty() ? "" : prompts_.texts.back().toStdString());
    window_->tree()->select({0, 0});  // Node1: sensor 1, enabled
    auto* list = page<CVelPageListData>(PageSlot::Acquisition);
    auto* curve = page<CVelPageChart>(PageSlot::Curve);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(curve, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(listRows(list) > 0, kWaitMs);
    EXPECT_EQ(qobject_cast<RecordTableModel*>(part<QTableView>(list, "list")->model())->cellText(0, 0), "1");
    QTRY_VERIFY_WITH_TIMEOUT(curvePoints(curve) >= 2, kWaitMs);
}

}  // namespace
}  // namespace talvex::ui::test
