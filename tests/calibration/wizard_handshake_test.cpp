// The wireless handshake tick by tick: each row of its table with the requests it makes, a
// CAL_Status that skips ahead, the wireless clear, and the ends the program adds (three send
// intervals without progress, port closed).
#include "wizard_support.hpp"

namespace talvex::calibration::test {
namespace {

using enum CalibrationType;
using Lines = std::vector<std::string>;
using reg::kCalCommand1, reg::kCalCommand2, reg::kStatusWord;

std::uint16_t status(unsigned calStatus) {
    return static_cast<std::uint16_t>(calStatus << 3 | 0x0101);  // other bits must not matter
}
std::string logLine(unsigned calStatus, int stage) {
    return "log:  CAL_Status = " + std::to_string(calStatus) +
           "  , m39_CalRead_Step = " + std::to_string(stage);
}

struct Tick {
    unsigned calStatus;
    Lines lines;  // after the status read
    int stage;
    int progress;
};

// A wireless sensor 1 whose status word is answered tick by tick.
struct HandshakeBench : WizardBench {
    // Wireless chosen and Read pressed: the start command goes out with the first tick.
    void started() {
        choose(Wireless);
        wizard.read(ctx);
        take();
    }
    // ... the sensor acknowledged the start and Calibrate was pressed with the reference 500.
    void calibrating() {
        started();
        tick(1);
        wizard.calibrate(ctx, "500");
    }
    // One tick whose status read answers with calStatus.
    void tick(unsigned calStatus) {
        sensor.queued[kStatusWord] = {status(calStatus)};
        wizard.handshakeTick(ctx);
    }
    // Ticks 2 s apart, each one's requests, stage and progress bar checked.
    void runTicks(const std::vector<Tick>& ticks) {
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const Tick& row = ticks[i];
            pacer.clockMs += 2000;
            tick(row.calStatus);
            Lines expected{R(kStatusWord)};
            expected.insert(expected.end(), row.lines.begin(), row.lines.end());
            expected.push_back(logLine(row.calStatus, row.stage));
            EXPECT_EQ(take(), expected) << "tick " << i;
            EXPECT_EQ(s().wirelessStage, row.stage) << "tick " << i;
            EXPECT_EQ(s().progress, row.progress) << "tick " << i;
        }
    }
};

TEST(WizardHandshake, WholeCalibrationTickByTick) {
    for (const unsigned last : {2u, 8u}) {
        SCOPED_TRACE(last);
        HandshakeBench b;
        b.sensor.holds(4, {0, 480});
        b.started();
        b.runTicks({{0, {W(kCalCommand1, 1001)}, 1, 10}, {1, {}, 1, 30}});
        EXPECT_FALSE(b.s().handshakeRunning);
        EXPECT_EQ(b.s().wizardStep, 3);
        EXPECT_EQ(b.s().measuredText, "480");
        EXPECT_FALSE(b.s().readEnabled);

        b.wizard.calibrate(b.ctx, "500");  // block E; the handshake learns the send interval
        EXPECT_EQ(b.take(), (Lines{W(126, 0), R(sensor::reg::kSendInterval)}));
        EXPECT_TRUE(b.s().handshakeRunning);
        b.runTicks({
            {1, {W(126, 0)}, 2, 30},
            {6, {W(126, 0)}, 2, 30},  // skips ahead: no advance
            {4, {W(127, 500), W(127, 500)}, 3, 40},
            {4, {W(127, 500)}, 3, 40},
            {5, {W(128, 0x0305), W(128, 0x0305)}, 4, 50},
            {6, {P(100), W(129, 2026), P(100), W(129, 2026)}, 5, 60},
            {7, {P(100), W(kCalCommand2, 1001), P(100), W(kCalCommand2, 1001)}, 6, 80},
            {7, {P(100), W(kCalCommand2, 1001)}, 6, 80},
        });
        b.pacer.clockMs += 2000;
        b.tick(last);
        const char* key = last == 2 ? "IDS_Tab_Cal_CalSucceed" : "IDS_Tab_Cal_CalFailed";
        EXPECT_EQ(b.take(), (Lines{R(kStatusWord), plain(key), logLine(last, 0)}));
        EXPECT_FALSE(b.s().handshakeRunning);
        EXPECT_EQ(b.s().caption, last == 2 ? CalibrateCaption::CalSucceed : CalibrateCaption::CalFailed);
        EXPECT_TRUE(b.s().readEnabled && b.s().calibrateEnabled);
        EXPECT_EQ(b.s().pointMode, kNoPoint);
        EXPECT_EQ(b.s().progress, 0);
    }
}

TEST(WizardHandshake, FailuresInTheTick) {
    {
        // The start write fails: the run is abandoned, the tick ends without its stage line.
        HandshakeBench b;
        b.started();
        b.sensor.failWrites = {kCalCommand1};
        b.tick(0);
        EXPECT_EQ(b.take(), (Lines{R(kStatusWord), W(kCalCommand1, 1001), warn("IDD_ComError"),
                                   plain("IDS_Tab_Cal_RestartCal"), "log:  CAL_Status = 0  ,"}));
        EXPECT_EQ(b.s().wizardStep, 2);
    }
    {
        // A failed status read goes on with the word received before.
        HandshakeBench b;
        b.calibrating();
        b.tick(4);
        b.take();
        b.sensor.failReads = {kStatusWord};
        b.wizard.handshakeTick(b.ctx);
        EXPECT_EQ(b.take(), (Lines{R(kStatusWord), W(127, 500), logLine(4, 3)}));
    }
}

TEST(WizardHandshake, WirelessClear) {
    HandshakeBench b;
    b.choose(Wireless);
    b.wizard.clear(b.ctx);
    EXPECT_EQ(b.take(),
              (Lines{ask("IDS_Tab_Cal_ClearLoRaCal"), W(reg::kCalClear, 1), R(sensor::reg::kSendInterval)}));
    EXPECT_FALSE(b.s().clearEnabled);
    b.runTicks({{0, {W(reg::kCalClear, 1)}, kStageClearing, 0}});
    b.tick(3);
    EXPECT_EQ(b.take(), (Lines{R(kStatusWord), plain("IDS_Tab_Cal_CalDataCleared"), logLine(3, 0)}));
    EXPECT_TRUE(b.s().clearEnabled);
    EXPECT_FALSE(b.s().handshakeRunning);
    EXPECT_EQ(b.s().wizardStep, 0);
}

TEST(WizardHandshake, GivesUpAfterThreeSendIntervalsWithoutProgress) {
    // Register 10 reads the send interval in seconds; 0 or an unreadable register counts as the
    // longest interval the sensor allows.
    const struct {
        std::uint16_t interval;
        bool readFails;
        std::int64_t stallMs;
    } cases[] = {{10, false, 90'000},
                 {60, false, 240'000},
                 {2550, false, 7'710'000},
                 {0, false, 7'710'000},
                 {60, true, 7'710'000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.interval) + (c.readFails ? " unreadable" : ""));
        if (!c.readFails) {
            EXPECT_EQ(handshakeStall(c.interval).count(), c.stallMs);
        }
        HandshakeBench b;
        b.sensor.holds(sensor::reg::kSendInterval, {c.interval});
        if (c.readFails) b.sensor.failReads = {sensor::reg::kSendInterval};
        b.calibrating();
        const std::int64_t moved = b.pacer.clockMs;
        // The sensor answers every tick but never moves on from 1.
        while (b.pacer.clockMs + 2000 - moved < c.stallMs) {
            b.pacer.clockMs += 2000;
            b.tick(1);
            ASSERT_TRUE(b.s().handshakeRunning) << b.pacer.clockMs - moved;
        }
        b.take();
        b.pacer.clockMs += 2000;
        b.wizard.handshakeTick(b.ctx);
        EXPECT_EQ(b.take(), Lines{plain("IDS_Tab_Cal_WlessNoProgress")});  // nothing sent
        EXPECT_FALSE(b.s().handshakeRunning);
        EXPECT_EQ(b.s().wirelessStage, kStageIdle);
        EXPECT_TRUE(b.s().readEnabled && b.s().calibrateEnabled && b.s().clearEnabled);
    }
}

TEST(WizardHandshake, ProgressRestartsTheWait) {
    HandshakeBench b;
    b.sensor.holds(sensor::reg::kSendInterval, {60});
    b.calibrating();
    const std::int64_t stall = handshakeStall(60).count();
    b.pacer.clockMs += stall - 2000;
    b.tick(4);  // moves on to stage 3
    b.pacer.clockMs += stall - 2000;
    b.tick(4);
    EXPECT_TRUE(b.s().handshakeRunning);
    EXPECT_EQ(b.s().wirelessStage, 3);
}

TEST(WizardHandshake, PortClosedOrSensorChangedEndsItAtOnce) {
    HandshakeBench b;
    b.started();
    b.ctx.connected = false;
    b.wizard.handshakeTick(b.ctx);
    EXPECT_EQ(b.take(), Lines{plain("IDS_Tab_Cal_WlessStopped")});
    EXPECT_FALSE(b.s().handshakeRunning);
    b.wizard.abandonHandshake(b.prompter, "IDS_Tab_Cal_WlessStopped");  // not running: nothing to say
    EXPECT_TRUE(b.take().empty());
}

}  // namespace
}  // namespace talvex::calibration::test
