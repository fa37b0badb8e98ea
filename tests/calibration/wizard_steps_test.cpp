// Type selection, the point options and Read (Step 3): the state tables of the wizard, each row
// with the exact exchange it makes, on a scripted sensor and a fake clock.
#include "wizard_support.hpp"

namespace talvex::calibration::test {
namespace {

using enum CalibrationType;
using Lines = std::vector<std::string>;
using reg::kCalCommand1, reg::kCalCommand2, reg::kRunMode;

TEST(WizardOptions, PointOptionsActAsTogglesPerType) {
    enum Click { One, Two };
    struct Case {
        CalibrationType type;
        std::vector<Click> clicks;
        int pointMode;
        bool oneChecked, twoChecked, oneEnabled, twoEnabled, calibrateEnabled, selectorEnabled;
        CalibrateCaption caption;
        bool refused2P;  // the in-oil message
    } cases[] = {
        {InOil, {One}, kOnePoint, true, false, true, false, false, false, CalibrateCaption::Cal, false},
        // A checked option clicked again unchecks, keeps point mode 1 and enables Calibrate.
        {InOil, {One, One}, kOnePoint, false, false, true, false, true, true, CalibrateCaption::Cal, false},
        {GasPhase, {One, One}, kOnePoint, false, false, true, true, true, true, CalibrateCaption::Cal, false},
        {GasPhase,
         {One, One, One},
         kOnePoint,
         true,
         false,
         true,
         false,
         false,
         false,
         CalibrateCaption::Cal,
         false},
        {GasPhase,
         {Two},
         kTwoPointFirst,
         false,
         true,
         false,
         true,
         false,
         false,
         CalibrateCaption::OnePointCal,
         false},
        {GasPhase, {Two, Two}, kOnePoint, false, false, true, true, true, true, CalibrateCaption::Cal, false},
        {InOil, {Two}, kNoPoint, false, false, true, false, true, true, CalibrateCaption::Cal, true},
        {InOilLab, {Two}, kNoPoint, false, false, true, false, true, true, CalibrateCaption::Cal, true},
        // Unchecking one point re-enables two points for every type but in-oil.
        {Pressure,
         {One, One, Two},
         kTwoPointFirst,
         false,
         true,
         false,
         true,
         false,
         false,
         CalibrateCaption::OnePointCal,
         false},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.confirmsLaboratoryMode();
        b.wizard.selectType(indexOf(c.type), b.ctx);
        b.take();
        for (Click k : c.clicks)
            k == One ? (void)b.wizard.onePointClicked(b.ctx) : b.wizard.twoPointClicked(b.prompter);
        const auto& s = b.s();
        const std::string name =
            std::string(typeInfo(c.type).cliName) + " clicks " + std::to_string(c.clicks.size());
        EXPECT_EQ(s.wizardStep, 2) << name;
        EXPECT_EQ(s.pointMode, c.pointMode) << name;
        EXPECT_EQ(s.oneChecked, c.oneChecked) << name;
        EXPECT_EQ(s.twoChecked, c.twoChecked) << name;
        EXPECT_EQ(s.oneEnabled, c.oneEnabled) << name;
        EXPECT_EQ(s.twoEnabled, c.twoEnabled) << name;
        EXPECT_EQ(s.calibrateEnabled, c.calibrateEnabled) << name;
        EXPECT_EQ(s.typeSelectorEnabled, c.selectorEnabled) << name;
        EXPECT_EQ(s.caption, c.caption) << name;
        EXPECT_EQ(b.take(), c.refused2P ? Lines{plain("IDS_Tab_Cal_NotSupport2PCal")} : Lines{}) << name;
    }
}

TEST(WizardOptions, LaboratoryModeEnteredAndLeft) {
    struct Case {
        const char* name;
        bool ok;
        std::uint16_t readBack;
        int typeIndex;
        Lines lines;
    } cases[] = {
        {"confirmed",
         true,
         kLabRunMode,
         indexOf(InOilLab),
         {ask("IDS_Tab_Cal_SelLabCal"), W(kRunMode, 5), P(500), R(kRunMode),
          plain("IDS_Tab_Cal_EnterLabMeasure")}},
        {"not confirmed",
         true,
         0xFFFF,
         indexOf(InOil),
         {ask("IDS_Tab_Cal_SelLabCal"), W(kRunMode, 5), P(500), R(kRunMode),
          plain("IDS_Tab_Cal_LabCalFailed")}},
        {"cancelled: nothing sent",
         false,
         kLabRunMode,
         indexOf(InOil),
         {ask("IDS_Tab_Cal_SelLabCal"), plain("IDS_Tab_Cal_LabCalCancel")}},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.sensor.queued[kRunMode] = {c.readBack};
        b.prompter.answers = {c.ok};
        b.wizard.selectType(indexOf(InOilLab), b.ctx);
        EXPECT_EQ(b.take(), c.lines) << c.name;
        EXPECT_EQ(b.s().typeIndex, c.typeIndex) << c.name;
        EXPECT_EQ(b.s().wizardStep, 1) << c.name;
    }

    // Unchecking one point in laboratory mode offers to leave it.
    for (const std::uint16_t readBack : {kNormalRunMode, kLabRunMode}) {
        WizardBench b;
        b.sensor.queued[kRunMode] = {kLabRunMode, readBack};
        b.choose(InOilLab);
        b.wizard.onePointClicked(b.ctx);
        const bool left = readBack == kNormalRunMode;
        EXPECT_EQ(b.take(), (Lines{ask("IDS_Tab_Cal_ExitLab"), W(kRunMode, 1), P(500), R(kRunMode),
                                   plain(left ? "IDS_Tab_Cal_ExitedLab" : "IDS_Tab_Cal_ExitedLabFailed")}));
        EXPECT_EQ(b.s().type(), left ? InOil : InOilLab);
        EXPECT_EQ(b.s().typeSelectorEnabled, left);
    }
}

TEST(WizardRead, StartCommandTable) {
    struct Case {
        CalibrationType type;
        bool twoPoint;
        Lines lines;
        CalibrateCaption caption;
    } cases[] = {
        {GasPhase,
         false,
         {W(kCalCommand1, 1), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(4, 2)},
         CalibrateCaption::Cal},
        {GasPhase,
         true,
         {W(kCalCommand1, 1), plain("IDS_Tab_Cal_Start1PCal"), P(500), R(kCalCommand1), P(500), R(4, 2)},
         CalibrateCaption::OnePointCal},
        {InOil,
         false,
         {W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(0, 2)},
         CalibrateCaption::Cal},
        {InOilLab,
         false,
         {W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(4, 2)},
         CalibrateCaption::Cal},
        {Pressure,
         false,
         {W(kCalCommand1, 2001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(161, 2)},
         CalibrateCaption::Cal},
        {Moisture,
         false,
         {W(kCalCommand1, 3001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(165, 2)},
         CalibrateCaption::Cal},
        {MoistureTemperature,
         false,
         {W(kCalCommand1, 4001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(163, 2)},
         CalibrateCaption::Cal},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.confirmsLaboratoryMode();
        b.sensor.holds(0, {0, 1850});  // the in-oil, gas phase and pressure readings Read shows
        b.sensor.holds(4, {1, 4464});
        b.sensor.holds(161, {0x999A, 0x42CA});
        b.choose(c.type, c.twoPoint);
        b.wizard.read(b.ctx);
        const std::string name(typeInfo(c.type).cliName);
        EXPECT_EQ(b.take(), c.lines) << name;
        EXPECT_EQ(b.s().wizardStep, 3) << name;
        EXPECT_EQ(b.s().caption, c.caption) << name;
        EXPECT_TRUE(b.s().calibrateEnabled) << name;
        EXPECT_FALSE(b.s().oneEnabled || b.s().twoEnabled) << name;
        const char* expected = c.type == InOil ? "1850" : c.type == Pressure ? "101.30" : nullptr;
        if (expected) {
            EXPECT_EQ(b.s().measuredText, expected) << name;
        }
    }
}

TEST(WizardRead, WirelessStartHandsOverToTheHandshake) {
    WizardBench b;
    b.choose(Wireless);
    b.wizard.read(b.ctx);
    EXPECT_EQ(b.take(), (Lines{W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1),
                               P(500), R(sensor::reg::kSendInterval), R(4, 2)}));
    EXPECT_TRUE(b.s().handshakeRunning);
    EXPECT_EQ(b.s().wirelessStage, kStageAwaitStart);
    EXPECT_EQ(b.s().progress, 20);
    EXPECT_EQ(b.s().wizardStep, 2);  // step 3 comes with the sensor's acknowledgement
}

TEST(WizardRead, RefusalsAndFailuresEndAtStepTwo) {
    struct Case {
        const char* name;
        std::function<void(WizardBench&)> script;
        Lines lines;
    } cases[] = {
        {"start write fails",
         [](WizardBench& b) { b.sensor.failWrites = {kCalCommand1}; },
         {W(kCalCommand1, 1001), plain("IDD_ComError"), plain("IDS_Tab_Cal_RestartCal")}},
        {"121 reads 403",
         [](WizardBench& b) { b.sensor.queued[kCalCommand1] = {403}; },
         {W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1),
          plain("IDS_Tab_Cal_NotSupportCal")}},
        {"121 reads 404",
         [](WizardBench& b) { b.sensor.queued[kCalCommand1] = {404}; },
         {W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1),
          plain("IDS_Tab_Cal_NotSupportCal")}},
        {"121 read fails",
         [](WizardBench& b) { b.sensor.failReads = {kCalCommand1}; },
         {W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1),
          plain("IDD_ComError"), plain("IDS_Tab_Cal_RestartCal")}},
        {"value read fails",
         [](WizardBench& b) { b.sensor.failReads = {0}; },
         {W(kCalCommand1, 1001), plain("IDS_Tab_Cal_StartCal"), P(500), R(kCalCommand1), P(500), R(0, 2),
          warn("IDD_ComError"), plain("IDS_Tab_Cal_RestartCal")}},
    };
    for (const auto& c : cases) {
        WizardBench b;
        b.choose(InOil);
        c.script(b);
        b.wizard.read(b.ctx);
        EXPECT_EQ(b.take(), c.lines) << c.name;
        EXPECT_EQ(b.s().wizardStep, 2) << c.name;
        EXPECT_EQ(b.s().pointMode, kNoPoint) << c.name;
    }
}

TEST(WizardRead, GuardsSendNothing) {
    {
        WizardBench b;  // no point mode
        b.wizard.read(b.ctx);
        EXPECT_EQ(b.take(), Lines{plain("IDS_Tab_Cal_SelPointCal")});
    }
    {
        WizardBench b;
        b.choose(InOil);
        b.ctx.connected = false;
        b.wizard.read(b.ctx);
        EXPECT_EQ(b.take(), Lines{plain("IDD_Message_ConnectPort")});
    }
    {
        // Two points chosen for pressure: caption "1 Point Calibration" matches no start command.
        WizardBench b;
        b.wizard.selectType(indexOf(Pressure), b.ctx);
        b.wizard.onePointClicked(b.ctx);
        b.wizard.onePointClicked(b.ctx);
        b.wizard.twoPointClicked(b.prompter);
        b.take();
        b.wizard.read(b.ctx);
        EXPECT_EQ(b.take(), Lines{plain("IDS_Tab_Cal_ErrorCalRestart")});
        EXPECT_EQ(b.s().wizardStep, 2);
        EXPECT_EQ(b.s().pointMode, kNoPoint);
    }
    for (const bool ok : {true, false}) {
        // Read again after a successful Read.
        WizardBench b;
        b.readDone(InOil);
        b.prompter.answers = {ok};
        b.wizard.read(b.ctx);
        EXPECT_EQ(b.take(),
                  (Lines{ask("IDS_Tab_Cal_StepsErrorContinue"),
                         plain(ok ? "IDS_Tab_Cal_Step4Continue" : "IDS_Tab_Cal_ExitedRestartCal")}));
        EXPECT_EQ(b.s().wizardStep, ok ? 3 : 2);
        EXPECT_EQ(b.s().measuredText.empty(), !ok);
    }
}

}  // namespace
}  // namespace talvex::calibration::test
