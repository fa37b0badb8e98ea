// The calibration page against the simulated bus over a pty, offscreen: the main paths through its
// controls, an operation ended by a disconnect, the handshake's ticks (skipped while another
// operation holds the link, stopped when another sensor is selected), the flowmeter, and captions
// that follow a language switch.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "../ui/pages_fixture.hpp"
#include "calibration_page.hpp"
#include "talvex/testing/find_child.hpp"

namespace talvex::ui::testing {
namespace {

using namespace std::chrono_literals;
using calibration::CalibrateCaption;
using calibration::CalibrationType;
using talvex::testing::child;

class CalibrationPage : public ::testing::Test {
  protected:
    void SetUp() override {
        setActiveLanguage(Language::English);
        sim::BusOptions o;
        o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA),
                     sim::defaultSensorConfig(2, SensorModel::KF)};
        o.pace = false;
        o.timing.processing = sim::Millis(50);
        o.timing.handshakeStage = sim::Millis(150);
        bus_ = std::make_unique<sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
        ASSERT_EQ(RTUOpenDevice(bus_->slavePath().c_str(), 19200, 8, 0, 0), 1);
        arbiter_.connected();
        session_.selectedSensorId = 1;
        PageContext ctx;
        ctx.arbiter = &arbiter_;
        ctx.session = &session_;
        ctx.prompter = &prompter_;
        CalibrationPageOptions options;
        options.handshakePeriod = 100ms;
        options.flowPeriod = 100ms;
        options.log = [this](const QString& t) { log_ << t; };
        options.today = [] { return calibration::CalendarDate{2026, 3, 5}; };
        page_ = std::make_unique<CVelPageCal>(ctx, options);
    }
    void TearDown() override {
        page_.reset();
        arbiter_.disconnecting();
        RTUCloseCom();
        bus_.reset();
        setActiveLanguage(Language::English);
    }
    // The page's controls, by their object names.
    QComboBox* typeBox() const { return child<QComboBox>(page_.get(), "typeBox"); }
    QCheckBox* onePointBox() const { return child<QCheckBox>(page_.get(), "onePointBox"); }
    QCheckBox* twoPointBox() const { return child<QCheckBox>(page_.get(), "twoPointBox"); }
    QLineEdit* measuredEdit() const { return child<QLineEdit>(page_.get(), "measuredEdit"); }
    QLineEdit* referenceEdit() const { return child<QLineEdit>(page_.get(), "referenceEdit"); }
    QPushButton* readButton() const { return child<QPushButton>(page_.get(), "readButton"); }
    QPushButton* calibrateButton() const { return child<QPushButton>(page_.get(), "calibrateButton"); }
    QProgressBar* progressBar() const { return child<QProgressBar>(page_.get(), "progressBar"); }
    QLineEdit* setpointEdit() const { return child<QLineEdit>(page_.get(), "setpointEdit"); }
    QPushButton* flowButton() const { return child<QPushButton>(page_.get(), "flowButton"); }
    QLabel* massFlowValue() const { return child<QLabel>(page_.get(), "massFlowValue"); }
    QLabel* temperatureValue() const { return child<QLabel>(page_.get(), "temperatureValue"); }
    // Clicks and waits until the page's operation (and any tick it waited for) has returned.
    void clickAndWait(QAbstractButton* button) {
        QSignalSpy done(page_.get(), &CVelPageCal::operationFinished);
        button->click();
        QTRY_VERIFY_WITH_TIMEOUT(done.count() > 0 && !page_->busy(), 10000);
    }
    void selectType(CalibrationType type) { emit typeBox()->activated(calibration::indexOf(type)); }
    // The wireless sensor 2 selected, its type chosen with one point.
    void chooseWireless() {
        session_.selectedSensorId = 2;
        selectType(CalibrationType::Wireless);
        onePointBox()->click();
    }
    // The reference typed and Calibrate pressed.
    void calibrateWith(const QString& reference) {
        referenceEdit()->setText(reference);
        clickAndWait(calibrateButton());
    }

    std::unique_ptr<sim::SimBus> bus_;
    acquisition::LinkArbiter arbiter_;
    Session session_;
    ScriptedPrompter prompter_;
    QStringList log_;
    std::unique_ptr<CVelPageCal> page_;
};

TEST_F(CalibrationPage, InOilOnePointRun) {
    sim::SensorValues v;
    v.dissolved = 1700;
    bus_->setValues(1, v);
    onePointBox()->click();
    EXPECT_TRUE(onePointBox()->isChecked());
    EXPECT_FALSE(calibrateButton()->isEnabled());
    clickAndWait(readButton());
    EXPECT_EQ(measuredEdit()->text(), "1700");
    EXPECT_TRUE(calibrateButton()->isEnabled());
    calibrateWith("1850");
    EXPECT_EQ(prompter_.messages,
              (QStringList{text("IDS_Tab_Cal_StartCal"), text("IDS_Tab_Cal_CalSucceed")}));
    std::vector<std::pair<int, int>> writes;
    for (const auto& w : bus_->writeLog(1)) writes.emplace_back(w.address, w.values.front());
    EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{
                          {121, 1001}, {126, 0}, {127, 1850}, {128, 0x0305}, {129, 2026}, {122, 1001}}));
    EXPECT_EQ(page_->wizardState().wizardStep, 0);
    EXPECT_FALSE(onePointBox()->isChecked());
}

TEST_F(CalibrationPage, DisconnectDuringReadEndsItAtItsPause) {
    sim::SensorValues v;
    v.dissolved = 1700;
    bus_->setValues(1, v);
    onePointBox()->click();
    QSignalSpy done(page_.get(), &CVelPageCal::operationFinished);
    readButton()->click();
    // The start command has gone and its message is shown: the read waits 500 ms for the answer.
    QTRY_COMPARE_WITH_TIMEOUT(prompter_.messages, QStringList{text("IDS_Tab_Cal_StartCal")}, 5000);
    arbiter_.disconnecting();
    page_->linkClosed();
    QTRY_VERIFY_WITH_TIMEOUT(done.count() == 1 && !page_->busy(), 5000);
    EXPECT_TRUE(measuredEdit()->text().isEmpty()) << "the reading is not asked for after the stop";
    EXPECT_EQ(prompter_.messages, QStringList{text("IDS_Tab_Cal_StartCal")});
    ASSERT_EQ(bus_->writeLog(1).size(), 1u);
    EXPECT_EQ(bus_->writeLog(1)[0].address, 121);

    // Read again on the closed port: the page says so and sends nothing.
    bus_->clearWriteLog(1);
    clickAndWait(readButton());
    EXPECT_EQ(prompter_.messages.back(), text("IDD_Message_ConnectPort"));
    EXPECT_TRUE(bus_->writeLog(1).empty());
}

TEST_F(CalibrationPage, AnotherTabsOperationRefusesTheReadNamingIt) {
    onePointBox()->click();
    {
        // Another tab's operation holds the link: the click is refused naming it, nothing is sent.
        acquisition::LinkHold other = arbiter_.operation(acquisition::HoldKind::Standard, "Records");
        clickAndWait(readButton());
        EXPECT_EQ(prompter_.messages.back().toStdString(), GetTextWith("IDS_Operation_Busy", {"Records"}));
        EXPECT_TRUE(bus_->writeLog(1).empty());
    }
    clickAndWait(readButton());
    EXPECT_EQ(bus_->writeLog(1).size(), 1u);
    EXPECT_FALSE(measuredEdit()->text().isEmpty());
}

TEST_F(CalibrationPage, JunkReferenceIsRefusedBeforeAnythingIsSent) {
    onePointBox()->click();
    clickAndWait(readButton());
    bus_->clearWriteLog(1);
    calibrateWith("1850ppm");
    EXPECT_EQ(prompter_.messages.back(), text("IDS_Tab_Cal_RefNotWhole"));
    EXPECT_TRUE(bus_->writeLog(1).empty());
    EXPECT_EQ(page_->wizardState().wizardStep, 3);
}

TEST_F(CalibrationPage, CaptionsFollowTheLanguageFromTheState) {
    selectType(CalibrationType::GasPhase);
    twoPointBox()->click();
    EXPECT_EQ(calibrateButton()->text(), text("IDS_Tab_Cal_1PCal"));
    setActiveLanguage(Language::Chinese);
    page_->retranslate();
    EXPECT_EQ(calibrateButton()->text(), text("IDS_Tab_Cal_1PCal"));
    EXPECT_NE(calibrateButton()->text(),
              QString::fromStdString(GetTextIn(Language::English, "IDS_Tab_Cal_1PCal")));
    EXPECT_EQ(typeBox()->currentIndex(), calibration::indexOf(CalibrationType::GasPhase));
    EXPECT_EQ(typeBox()->currentText(), text("IDS_Tab_Cal_GasPhaseSensorCal"));
    EXPECT_TRUE(twoPointBox()->isChecked());
}

TEST_F(CalibrationPage, WirelessHandshakeWaitsForOtherHoldsAndStopsOnAnotherSensor) {
    chooseWireless();
    {
        // Another operation holds the link: Read waits, and then so do the ticks.
        clickAndWait(readButton());
        ASSERT_TRUE(page_->wizardState().handshakeRunning);
        acquisition::LinkHold other = arbiter_.operation(acquisition::HoldKind::Standard, "Records");
        QTRY_VERIFY(!page_->busy());  // a tick that began before the hold has returned
        const auto before = bus_->writeLog(2).size();
        QTest::qWait(400);
        EXPECT_EQ(bus_->writeLog(2).size(), before);
        EXPECT_TRUE(page_->wizardState().handshakeRunning);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!page_->busy() && page_->wizardState().wizardStep == 3, 5000);
    EXPECT_FALSE(page_->wizardState().handshakeRunning);
    EXPECT_FALSE(readButton()->isEnabled());
    ASSERT_FALSE(log_.isEmpty());
    EXPECT_TRUE(log_.front().startsWith("  CAL_Status = "));

    calibrateWith("500");
    ASSERT_TRUE(page_->wizardState().handshakeRunning);
    session_.selectedSensorId = 1;
    page_->selectedSensorChanged();
    QTRY_VERIFY_WITH_TIMEOUT(!page_->busy() && !page_->wizardState().handshakeRunning, 2000);
    EXPECT_EQ(prompter_.messages.back(), text("IDS_Tab_Cal_WlessStopped"));
    EXPECT_TRUE(readButton()->isEnabled());
}

TEST_F(CalibrationPage, TheOperatorCancelsAWirelessHandshake) {
    QPushButton* cancel = child<QPushButton>(page_.get(), "cancelHandshakeButton");
    EXPECT_TRUE(cancel->isHidden());
    chooseWireless();
    clickAndWait(readButton());
    QTRY_VERIFY_WITH_TIMEOUT(!page_->busy() && page_->wizardState().wizardStep == 3, 5000);
    calibrateWith("500");
    ASSERT_TRUE(page_->wizardState().handshakeRunning);
    EXPECT_FALSE(cancel->isHidden());
    EXPECT_EQ(cancel->text(), text("IDS_Tab_Cal_WlessCancel"));
    cancel->click();
    QTRY_VERIFY_WITH_TIMEOUT(!page_->busy() && !page_->wizardState().handshakeRunning, 2000);
    EXPECT_EQ(prompter_.messages.back(), text("IDS_Tab_Cal_WlessCancelled"));
    EXPECT_TRUE(cancel->isHidden());
    EXPECT_TRUE(readButton()->isEnabled());
}

TEST_F(CalibrationPage, WirelessCalibrationCompletes) {
    chooseWireless();
    clickAndWait(readButton());
    QTRY_VERIFY_WITH_TIMEOUT(!page_->busy() && page_->wizardState().wizardStep == 3, 5000);
    calibrateWith("500");
    QTRY_COMPARE_WITH_TIMEOUT(calibrateButton()->text(), text("IDS_Tab_Cal_CalSucceed"), 10000);
    EXPECT_EQ(prompter_.messages.back(), text("IDS_Tab_Cal_CalSucceed"));
    EXPECT_EQ(progressBar()->value(), 0);
}

TEST_F(CalibrationPage, FlowmeterOpensReadsAndCloses) {
    setpointEdit()->setText("200");
    clickAndWait(flowButton());
    EXPECT_EQ(flowButton()->text(), text("IDS_Tab_Cal_OFFMeter"));
    const auto told = bus_->writeLog(200);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].values, (std::vector<std::uint16_t>{0x0003, 0x0D40}));
    QTRY_VERIFY_WITH_TIMEOUT(temperatureValue()->text() != "0", 3000);
    QTRY_VERIFY_WITH_TIMEOUT(massFlowValue()->text() != "0", 3000);

    setActiveLanguage(Language::Chinese);
    page_->retranslate();  // still open: the caption says so in the new language
    EXPECT_EQ(flowButton()->text(), text("IDS_Tab_Cal_OFFMeter"));
    setActiveLanguage(Language::English);
    page_->retranslate();
    clickAndWait(flowButton());
    EXPECT_EQ(flowButton()->text(), text("IDS_Tab_Cal_ONMeter"));
    EXPECT_EQ(prompter_.messages,
              (QStringList{text("IDS_Tab_Cal_MeterOpened"), text("IDS_Tab_Cal_MeterClosed")}));
}

}  // namespace
}  // namespace talvex::ui::testing
