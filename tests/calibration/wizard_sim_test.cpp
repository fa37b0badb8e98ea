// The wizard and the flowmeter against the simulated sensor bus over a real pseudo-terminal, on the
// pacer's clock: what the sensor was told (its write log) and what the operator was shown.
#include <thread>

#include "talvex/calibration/wizard/flowmeter_control.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/sim_link.hpp"
#include "wizard_support.hpp"

namespace talvex::calibration::test {
namespace {

using enum CalibrationType;
using Lines = std::vector<std::string>;
using Writes = std::vector<std::pair<int, std::uint16_t>>;

class WizardOnSim : public ::testing::Test {
  protected:
    void start(sim::SensorConfig config, sim::Timing timing = {}) {
        setActiveLanguage(Language::English);
        bus_.reset();       // a second start: the old link closes before the new one opens
        sim::BusOptions o;  // with the flowmeter, as the wizard's bench has it
        o.sensors = {config};
        o.pace = false;
        o.timing = timing;
        o.clock = talvex::testing::clockOf(pacer_);
        bus_ = std::make_unique<talvex::testing::SimLink>(std::move(o));
        ASSERT_TRUE(bus_->linkOpen());
    }
    // The type chosen with one point (or two) and Read pressed.
    void chooseAndRead(CalibrationType type, bool twoPoint = false) {
        chooseType(wizard_, ctx_, prompter_, type, twoPoint);
        wizard_.read(ctx_);
    }
    // Handshake ticks 2 s apart until it stops (at most 100); how many it took.
    int tickUntilStopped() {
        int ticks = 0;
        while (wizard_.state().handshakeRunning && ticks < 100) {
            pacer_.clockMs += 2000;
            wizard_.handshakeTick(ctx_);
            ++ticks;
        }
        return ticks;
    }
    // Single-register writes of sensor 1 since the last call, as (register, value).
    Writes writes() {
        Writes out;
        for (const auto& w : bus_->writeLog(1))
            if (w.function == 6) out.emplace_back(w.address, w.values.front());
        bus_->clearWriteLog(1);
        return out;
    }
    Lines boxes() {
        Lines out;
        for (const auto& l : t_.lines())
            if (!l.starts_with("log:") && !l.starts_with("P ")) out.push_back(l);
        t_.clear();
        return out;
    }

    Transcript t_;
    talvex::testing::RecordingPacer pacer_{t_};
    ScriptedPrompter prompter_{t_};
    WizardContext ctx_{rtuRegisterIo(), pacer_, prompter_, 1, true, [] { return CalendarDate{2026, 3, 5}; }};
    CalibrationWizard wizard_;
    std::unique_ptr<talvex::testing::SimLink> bus_;
};

TEST_F(WizardOnSim, InOilOnePointCalibratesTheSensor) {
    sim::Timing timing;
    timing.processing = sim::Millis(300);
    start(sim::defaultSensorConfig(1, SensorModel::KA), timing);
    sim::SensorValues values;
    values.dissolved = 1700.0;
    bus_->setValues(1, values);
    chooseAndRead(InOil);
    EXPECT_EQ(wizard_.state().measuredText, "1700");
    wizard_.calibrate(ctx_, "1850");
    EXPECT_EQ(writes(),
              (Writes{{121, 1001}, {126, 0}, {127, 1850}, {128, 0x0305}, {129, 2026}, {122, 1001}}));
    EXPECT_EQ(boxes(), (Lines{plain("IDS_Tab_Cal_StartCal"), plain("IDS_Tab_Cal_CalSucceed")}));
    EXPECT_EQ(wizard_.state().wizardStep, 0);
}

TEST_F(WizardOnSim, PressureCalibrationRefusedWith404IsReportedAsFailed) {
    start(sim::defaultSensorConfig(1, SensorModel::KA));
    bus_->model().withSensor(1, [](sim::Sensor& s) { s.setRefuseCalibrate(true, 404); });
    chooseAndRead(Pressure);
    ASSERT_EQ(wizard_.state().wizardStep, 3);
    wizard_.calibrate(ctx_, "101.3");
    EXPECT_EQ(writes(), (Writes{{121, 2001}, {126, 0x999A}, {127, 0x42CA}, {122, 2001}}));
    EXPECT_EQ(boxes(), (Lines{plain("IDS_Tab_Cal_StartCal"), plain("IDS_Tab_Cal_FailedCalRetry")}));
    EXPECT_EQ(wizard_.state().wizardStep, 3);
}

TEST_F(WizardOnSim, TwoPointGasPhase) {
    start(sim::defaultSensorConfig(1, SensorModel::KG));
    chooseAndRead(GasPhase, true);
    wizard_.calibrate(ctx_, "500");
    wizard_.read(ctx_);
    wizard_.calibrate(ctx_, "1000");
    Writes commands;
    for (const auto& w : writes())
        if (w.first == 121 || w.first == 122) commands.push_back(w);
    EXPECT_EQ(commands, (Writes{{121, 1}, {121, 17}, {121, 2}, {122, 1}, {122, 17}}));
    EXPECT_EQ(boxes().back(), plain("IDS_Tab_Cal_2PCalCompleted"));
}

TEST_F(WizardOnSim, WirelessHandshakeFollowsTheSensorTickByTick) {
    sim::Timing timing;
    timing.handshakeStage = sim::Millis(2 * 2000);  // the sensor moves on two ticks after each piece
    start(sim::defaultSensorConfig(1, SensorModel::KF), timing);
    chooseAndRead(Wireless);
    EXPECT_EQ(tickUntilStopped(), 2);  // the start went out with Read, 1 s before the first tick
    EXPECT_EQ(wizard_.state().wizardStep, 3);
    wizard_.calibrate(ctx_, "500");
    EXPECT_LT(tickUntilStopped(), 30);
    EXPECT_EQ(wizard_.state().caption, CalibrateCaption::CalSucceed);
    EXPECT_EQ(boxes().back(), plain("IDS_Tab_Cal_CalSucceed"));
    // Every piece went out, in order (repeated while the sensor had not taken it).
    Writes pieces;
    for (const auto& w : writes())
        if (pieces.empty() || pieces.back() != w) pieces.push_back(w);
    EXPECT_EQ(pieces, (Writes{{121, 1001}, {126, 0}, {127, 500}, {128, 0x0305}, {129, 2026}, {122, 1001}}));
}

TEST_F(WizardOnSim, ACalibrateCommandLostOnTheLineIsNotConfirmed) {
    // 122 reads the result of the calibration before (0 for in oil and pressure), so only the
    // command's own echo can confirm it.
    struct Case {
        CalibrationType type;
        const char* reference;
    } cases[] = {{InOil, "1850"}, {Pressure, "101.3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reference);
        wizard_ = CalibrationWizard{};
        start(sim::defaultSensorConfig(1, SensorModel::KA));
        chooseAndRead(c.type);
        wizard_.calibrate(ctx_, c.reference);
        ASSERT_EQ(boxes().back(), plain("IDS_Tab_Cal_CalSucceed"));
        writes();
        chooseAndRead(c.type);
        sim::Faults faults;
        faults.lost = {{1, reg::kCalCommand2, 1, false}};
        bus_->setFaults(faults);
        t_.clear();
        wizard_.calibrate(ctx_, c.reference);
        const Lines told = boxes();
        EXPECT_EQ(told, Lines{warn("IDS_Tab_Cal_NotConfirmed")});
        EXPECT_EQ(wizard_.state().wizardStep, 3) << "Calibrate may run again";
        EXPECT_NE(wizard_.state().pointMode, kNoPoint);
        Writes w = writes();
        ASSERT_FALSE(w.empty());
        EXPECT_NE(w.back().first, reg::kCalCommand2) << "the sensor never saw the command";
        TearDown();
    }
}

TEST_F(WizardOnSim, WirelessHandshakeWaitsThreeSendIntervals) {
    // A sensor that takes no piece: its CAL_Status never moves on after the start.
    sim::Timing timing;
    timing.handshakeStage = sim::Millis(24 * 3600 * 1000);
    start(sim::defaultSensorConfig(1, SensorModel::KF), timing);
    const auto waitWith = [&](int seconds, std::int64_t atMostMs) {
        wizard_ = CalibrationWizard{};
        EXPECT_EQ(rtuRegisterIo().writeSingle(1, sensor::reg::kSendInterval,
                                              static_cast<std::uint16_t>(seconds / 10)),
                  0);
        pacer_.clockMs += 3000;  // a wireless sensor takes the interval at its next wake-up
        chooseAndRead(Wireless);
        t_.clear();
        const std::int64_t started = pacer_.clockMs;
        while (wizard_.state().handshakeRunning && pacer_.clockMs - started < atMostMs) {
            pacer_.clockMs += 2000;
            wizard_.handshakeTick(ctx_);
        }
        return pacer_.clockMs - started;
    };
    // 10 s: gives up after three intervals and the margin, 90 s.
    EXPECT_EQ(waitWith(10, 600'000), 90'000);
    EXPECT_FALSE(wizard_.state().handshakeRunning);
    EXPECT_EQ(boxes().back(), plain("IDS_Tab_Cal_WlessNoProgress"));
    // 2550 s: still waiting long after five minutes.
    waitWith(2550, 400'000);
    EXPECT_TRUE(wizard_.state().handshakeRunning);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(WizardOnSim, FlowmeterReadOutFollowsTheSetpoint) {
    start(sim::defaultSensorConfig(1, SensorModel::KA));
    FlowmeterControl flow;
    flow.toggle(rtuRegisterIo(), prompter_, true, "200");
    EXPECT_TRUE(flow.state().open);
    const auto told = bus_->writeLog(200);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].function, 16);
    EXPECT_EQ(told[0].values, (std::vector<std::uint16_t>{0x0003, 0x0D40}));
    pacer_.clockMs += kFlowReadPeriod.count();
    flow.readOut(rtuRegisterIo());
    EXPECT_EQ(flow.state().massFlow, "200.00");
    flow.toggle(rtuRegisterIo(), prompter_, true, "200");
    pacer_.clockMs += kFlowReadPeriod.count();
    flow.readOut(rtuRegisterIo());
    EXPECT_EQ(flow.state().massFlow, "0.00");
    EXPECT_EQ(boxes(), (Lines{plain("IDS_Tab_Cal_MeterOpened"), plain("IDS_Tab_Cal_MeterClosed")}));
}

}  // namespace
}  // namespace talvex::calibration::test
