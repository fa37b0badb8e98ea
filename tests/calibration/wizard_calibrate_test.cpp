// Calibrate (Step 4), blocks A-H: the reference and date words, the calibrate command, the sensor's
// answer; write failures that keep the wizard where it is; refused reference texts; Clear per type.
#include "wizard_support.hpp"

namespace talvex::calibration::test {
namespace {

using enum CalibrationType;
using Lines = std::vector<std::string>;
using reg::kCalCommand1, reg::kCalCommand2, reg::kCalClear;

// The reference and date words of a whole reference, then the command (as every block writes them).
Lines referenceAndDate(std::uint16_t high, std::uint16_t low) {
    return {W(126, high), P(100), W(127, low), P(100), W(128, 0x0305), P(100), W(129, 2026), P(100)};
}
Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(WizardCalibrate, BlocksByTypeAndAnswer) {
    struct Case {
        const char* name;
        CalibrationType type;
        const char* reference;
        int answerRegister;
        std::uint16_t answer;
        Lines lines;
        int step;
        CalibrateCaption caption;
    } cases[] = {
        {"A in oil", InOil, "1850", kCalCommand2, 0,
         referenceAndDate(0, 1850) +
             Lines{W(kCalCommand2, 1001), P(1000), R(kCalCommand2), plain("IDS_Tab_Cal_CalSucceed")},
         0, CalibrateCaption::Cal},
        {"A laboratory: 1850 ppm is sent as 100", InOilLab, "1850", kCalCommand2, 0,
         referenceAndDate(0, 100) + Lines{W(kCalCommand2, 1001), P(1000), R(kCalCommand2),
                                          plain("IDS_Tab_Cal_LabModeCalCompleted"),
                                          plain("IDS_Tab_Cal_RestartPowToNormal")},
         0, CalibrateCaption::Cal},
        {"A refused", InOil, "1850", kCalCommand2, 403,
         referenceAndDate(0, 1850) +
             Lines{W(kCalCommand2, 1001), P(1000), R(kCalCommand2), plain("IDS_Tab_Cal_FailedCalRetry")},
         3, CalibrateCaption::Cal},
        {"B gas phase one point", GasPhase, "70000", kCalCommand1, 16,
         referenceAndDate(1, 4464) +
             Lines{W(kCalCommand1, 17), P(1000), R(kCalCommand1), plain("IDS_Tab_Cal_1PCalCompleted")},
         0, CalibrateCaption::CalSucceed},
        {"B failed", GasPhase, "70000", kCalCommand1, 1,
         referenceAndDate(1, 4464) +
             Lines{W(kCalCommand1, 17), P(1000), R(kCalCommand1), plain("IDS_Tab_Cal_FailedCalRetry")},
         3, CalibrateCaption::Cal},
        {"F pressure",
         Pressure,
         "101.3",
         kCalCommand2,
         0,
         {W(126, 0x999A), P(100), W(127, 0x42CA), P(100), W(kCalCommand2, 2001), P(1000), R(kCalCommand2),
          plain("IDS_Tab_Cal_CalSucceed")},
         0,
         CalibrateCaption::Cal},
        // The sensor refusing a pressure or moisture calibration is no longer reported as completed.
        {"F refused 403",
         Pressure,
         "101.3",
         kCalCommand2,
         403,
         {W(126, 0x999A), P(100), W(127, 0x42CA), P(100), W(kCalCommand2, 2001), P(1000), R(kCalCommand2),
          plain("IDS_Tab_Cal_FailedCalRetry")},
         3,
         CalibrateCaption::Cal},
        {"G refused 404",
         Moisture,
         "20",
         kCalCommand2,
         404,
         {W(126, 0), P(100), W(127, 0x41A0), P(100), W(kCalCommand2, 3001), P(1000), R(kCalCommand2),
          plain("IDS_Tab_Cal_FailedCalRetry")},
         3,
         CalibrateCaption::Cal},
        {"H moisture temperature",
         MoistureTemperature,
         "25",
         kCalCommand2,
         0,
         {W(126, 0), P(100), W(127, 0x41C8), P(100), W(kCalCommand2, 4001), P(1000), R(kCalCommand2),
          plain("IDS_Tab_Cal_CalSucceed")},
         0,
         CalibrateCaption::Cal},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.confirmsLaboratoryMode();
        b.readDone(c.type);
        b.sensor.queued[c.answerRegister] = {c.answer};
        b.wizard.calibrate(b.ctx, c.reference);
        EXPECT_EQ(b.take(), c.lines) << c.name;
        EXPECT_EQ(b.s().wizardStep, c.step) << c.name;
        EXPECT_EQ(b.s().pointMode, kNoPoint) << c.name;
        EXPECT_EQ(b.s().caption, c.caption) << c.name;
        EXPECT_EQ(b.s().type(), c.type == InOilLab ? InOil : c.type) << c.name;  // laboratory: back to in oil
    }
}

TEST(WizardCalibrate, TwoPointGasPhaseRun) {
    WizardBench b;
    b.sensor.holds(4, {0, 480});
    b.choose(GasPhase, true);
    b.wizard.read(b.ctx);
    b.sensor.queued[kCalCommand1] = {16};
    b.wizard.calibrate(b.ctx, "500");
    EXPECT_EQ(b.s().caption, CalibrateCaption::TwoPointCal);
    EXPECT_FALSE(b.s().calibrateEnabled);
    EXPECT_EQ(b.s().pointMode, kTwoPointFirst);
    EXPECT_EQ(b.s().wizardStep, 0);
    b.wizard.read(b.ctx);
    EXPECT_EQ(b.s().pointMode, kTwoPointSecond);
    b.sensor.queued[kCalCommand2] = {16};
    b.wizard.calibrate(b.ctx, "1000");

    Lines commands, boxes;
    for (const auto& l : b.take()) {
        if (l.starts_with("W 1 121") || l.starts_with("W 1 122")) commands.push_back(l);
        if (l.starts_with("plain")) boxes.push_back(l);
    }
    EXPECT_EQ(commands, (Lines{W(kCalCommand1, 1), W(kCalCommand1, 17), W(kCalCommand1, 2),
                               W(kCalCommand2, 1), W(kCalCommand2, 17)}));
    EXPECT_EQ(boxes, (Lines{plain("IDS_Tab_Cal_Start1PCal"), plain("IDS_Tab_Cal_2PCalClickButton"),
                            plain("IDS_Tab_Cal_Start2PCal"), plain("IDS_Tab_Cal_2PCalCompleted")}));
    EXPECT_EQ(b.s().caption, CalibrateCaption::CalSucceed);
    EXPECT_EQ(b.s().wizardStep, 0);
    EXPECT_EQ(b.s().pointMode, kNoPoint);
}

TEST(WizardCalibrate, WriteFailureKeepsPointModeAndStep) {
    struct Case {
        CalibrationType type;
        int failing;
        Lines lines;
    } cases[] = {
        {GasPhase, 126, {W(126, 0), plain("IDD_ComError")}},  // one point: the first write's box is plain
        {GasPhase, 127, {W(126, 0), P(100), W(127, 500), warn("IDD_ComError")}},
        {GasPhase,
         129,
         {W(126, 0), P(100), W(127, 500), P(100), W(128, 0x0305), P(100), W(129, 2026),
          warn("IDD_ComError")}},
        {Pressure, 127, {W(126, 0), P(100), W(127, 0x43FA), warn("IDD_ComError")}},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.readDone(c.type);
        b.sensor.failWrites = {c.failing};
        b.wizard.calibrate(b.ctx, "500");
        EXPECT_EQ(b.take(), c.lines) << c.failing;
        EXPECT_EQ(b.s().pointMode, kOnePoint);
        EXPECT_EQ(b.s().wizardStep, 3);
        // Pressed again once the line is back: Step 4 runs without a new Read.
        b.sensor.failWrites.clear();
        b.sensor.queued[c.type == GasPhase ? kCalCommand1 : kCalCommand2] = {
            std::uint16_t(c.type == GasPhase ? 16 : 0)};
        b.wizard.calibrate(b.ctx, "500");
        EXPECT_EQ(b.s().wizardStep, 0) << c.failing;
    }

    // In block A a failed date write is only shown.
    WizardBench a;
    a.readDone(InOil);
    a.sensor.failWrites = {128};
    a.sensor.queued[kCalCommand2] = {0};
    a.wizard.calibrate(a.ctx, "1850");
    EXPECT_EQ(a.take(), (Lines{W(126, 0), P(100), W(127, 1850), P(100), W(128, 0x0305), warn("IDD_ComError"),
                               P(100), W(129, 2026), P(100), W(kCalCommand2, 1001), P(1000), R(kCalCommand2),
                               plain("IDS_Tab_Cal_CalSucceed")}));
}

TEST(WizardCalibrate, RefusedReferenceSendsNothingAndKeepsTheWizard) {
    struct Case {
        CalibrationType type;
        const char* text;
        const char* key;
    } cases[] = {
        {InOil, "", "IDS_Tab_Cal_RefNotWhole"},
        {GasPhase, "abc", "IDS_Tab_Cal_RefNotWhole"},
        {InOilLab, "1850x", "IDS_Tab_Cal_RefNotWhole"},
        {Wireless, "4294967296", "IDS_Tab_Cal_RefNotWhole"},
        {Pressure, "kPa", "IDS_Tab_Cal_RefNotNumber"},
        {Moisture, "1e99", "IDS_Tab_Cal_RefNotNumber"},
        {Pressure, "1e20", "IDS_Tab_Cal_RefPressureRange"},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.confirmsLaboratoryMode();
        b.choose(c.type);
        b.wizard.read(b.ctx);
        if (c.type == Wireless) {
            b.sensor.queued[reg::kStatusWord] = {1 << 3};
            b.wizard.handshakeTick(b.ctx);
        }
        b.take();
        b.wizard.calibrate(b.ctx, c.text);
        EXPECT_EQ(b.take(), Lines{plain(c.key)}) << c.text;
        EXPECT_EQ(b.s().wizardStep, 3) << c.text;
        EXPECT_EQ(b.s().pointMode, kOnePoint) << c.text;
        EXPECT_FALSE(b.s().handshakeRunning) << c.text;
    }
}

TEST(WizardCalibrate, BeforeReadOrWithoutPortNothingIsSent) {
    WizardBench b;
    b.choose(InOil);
    b.wizard.calibrate(b.ctx, "1850");
    EXPECT_EQ(b.take(), Lines{plain("IDS_Tab_Cal_SelPointCal")});
    b.ctx.connected = false;
    b.wizard.calibrate(b.ctx, "1850");
    EXPECT_EQ(b.take(), Lines{plain("IDD_Message_ConnectPort")});
}

TEST(WizardClear, PerType) {
    struct Case {
        CalibrationType type;
        const char* question;
        std::uint16_t command;
        const char* done;
    } cases[] = {
        {InOil, "IDS_Tab_Cal_ClearH2Cal", 1, "IDS_Tab_Cal_CalDataCleared"},
        {GasPhase, "IDS_Tab_Cal_ClearH2Cal", 1, "IDS_Tab_Cal_CalDataCleared"},
        {Pressure, "IDS_Tab_Cal_ClearPRCal", 3, "IDS_Tab_Cal_PRCalCleared"},
        {Moisture, "IDS_Tab_Cal_ClearMOCal", 4, "IDS_Tab_Cal_MOCalCleared"},
        {MoistureTemperature, "IDS_Tab_Cal_ClearMOTCal", 5, "IDS_Tab_Cal_MOPCalCleared"},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.readDone(c.type);
        b.wizard.clear(b.ctx);
        EXPECT_EQ(b.take(), (Lines{ask(c.question), W(kCalClear, c.command), plain(c.done)}));
        EXPECT_EQ(b.s().wizardStep, 0);
        EXPECT_EQ(b.s().pointMode, kNoPoint);
        EXPECT_TRUE(b.s().measuredText.empty());

        b.prompter.answers = {false};
        b.wizard.clear(b.ctx);
        EXPECT_EQ(b.take(), Lines{ask(c.question)});
        b.sensor.failWrites = {kCalClear};
        b.wizard.clear(b.ctx);
        EXPECT_EQ(b.take(), (Lines{ask(c.question), W(kCalClear, c.command), warn("IDD_ComError")}));
    }
}

}  // namespace
}  // namespace talvex::calibration::test
