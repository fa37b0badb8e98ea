// Calibrate, Step 4: the reference value and the date into 126-129, then the calibrate command and
// the sensor's answer. A write that fails keeps point mode and step, so Calibrate can run again.
#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/calibration_wizard.hpp"
#include "wizard_messages.hpp"

namespace talvex::calibration {

using namespace std::chrono_literals;

namespace {

bool isRefusal(std::uint16_t answer) {
    return answer == reg::kRefusedBusy || answer == reg::kRefusedState;
}

}  // namespace

// Register 128 := month * 256 + day, 100 ms, register 129 := year. warnOnly: a failure is shown
// and the block goes on; otherwise the first failure ends the block (false).
bool CalibrationWizard::writeDate(WizardContext& ctx, bool warnOnly) {
    const ReferenceWords date = dateWords(ctx.today());
    const auto write = [&](int address, std::uint16_t value) {
        if (rtuOk(ctx.io.writeSingle(ctx.slave, address, value))) return true;
        comError(ctx);
        if (!warnOnly) resetPointOptions();
        return warnOnly;
    };
    return write(reg::kCalMonthDay, date.first) && pause(ctx, 100ms) && write(reg::kCalYear, date.second);
}

// The calibrate command to 122. Its read-back cannot confirm a command the sensor never answered:
// 122 may still read the result of an earlier calibration. So a lost command is "not confirmed"
// (the sensor may or may not have calibrated) and keeps point mode and step for another Calibrate.
bool CalibrationWizard::writeCalibrateCommand(WizardContext& ctx, std::uint16_t command) {
    if (rtuOk(ctx.io.writeSingle(ctx.slave, reg::kCalCommand2, command))) return true;
    fail(Outcome::CommunicationFailure);
    warning(ctx.prompter, "IDS_Tab_Cal_NotConfirmed");
    resetPointOptions();
    return false;
}

void CalibrationWizard::calibrateSteps(WizardContext& ctx, std::string_view referenceText) {
    state_.typeSelectorEnabled = true;
    if (!ctx.connected) {
        fail(Outcome::CommunicationFailure);
        plain(ctx.prompter, "IDD_Message_ConnectPort");
        return;
    }
    if (state_.pointMode == kNoPoint || state_.wizardStep != 3) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_SelPointCal");
        return;
    }
    const CalibrationType type = state_.type();
    std::string_view refusal;
    const auto ref = parseReference(type, referenceText, &refusal);
    if (!ref) {
        // Nothing is sent for a text that is not a value of the type: the wizard stays where it is.
        fail(Outcome::Refused);
        plain(ctx.prompter, refusal);
        return;
    }
    state_.referenceConcentration = ref->concentration;
    using enum CalibrationType;
    switch (type) {
        case InOil:
        case InOilLab:
            if (state_.pointMode == kOnePoint) calibrateInOil(ctx, *ref);
            return;
        case GasPhase:
            calibrateGasPoint(ctx, *ref);
            return;
        case Wireless:
            if (state_.pointMode != kOnePoint) return;
            if (!rtuOk(ctx.io.writeSingle(ctx.slave, reg::kReferenceFirst, ref->words.first))) {
                comError(ctx);
                resetPointOptions();
                return;
            }
            startHandshake(ctx, 2);
            return;
        case Pressure:
        case Moisture:
        case MoistureTemperature:
            calibrateFloat(ctx, *ref);
            return;
    }
}

// Block A: one point, in oil (laboratory mode: the reference arrives divided by 18.5).
void CalibrationWizard::calibrateInOil(WizardContext& ctx, const ParsedReference& ref) {
    const auto write = [&](int address, std::uint16_t value) {
        if (rtuOk(ctx.io.writeSingle(ctx.slave, address, value))) return true;
        comError(ctx);
        resetPointOptions();
        return false;
    };
    if (!write(reg::kReferenceFirst, ref.words.first) || !pause(ctx, 100ms) ||
        !write(reg::kReferenceSecond, ref.words.second) || !pause(ctx, 100ms) || !writeDate(ctx, true) ||
        !pause(ctx, 100ms))
        return;
    if (!writeCalibrateCommand(ctx, reg::kStartInOil) || !pause(ctx, 1000ms)) return;
    std::uint16_t answer = 0;
    if (!rtuOk(ctx.io.readHolding(ctx.slave, reg::kCalCommand2, 1, &answer))) {
        comError(ctx);
        plain(ctx.prompter, "IDS_Tab_Cal_RestartCal");
        resetPointSelection();
        return;
    }
    if (answer != reg::kInOilDone) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_FailedCalRetry");
        resetPointSelection();
        return;
    }
    if (state_.type() == CalibrationType::InOilLab) {
        plain(ctx.prompter, "IDS_Tab_Cal_LabModeCalCompleted");
        state_.typeIndex = indexOf(CalibrationType::InOil);
        plain(ctx.prompter, "IDS_Tab_Cal_RestartPowToNormal");
    } else {
        plain(ctx.prompter, "IDS_Tab_Cal_CalSucceed");
    }
    state_.wizardStep = 0;
    resetPointSelection();
}

// Blocks B (one point), C (two points, first) and D (two points, second), gas phase.
void CalibrationWizard::calibrateGasPoint(WizardContext& ctx, const ParsedReference& ref) {
    const int mode = state_.pointMode;
    const int command = mode == kTwoPointSecond ? reg::kCalCommand2 : reg::kCalCommand1;
    bool first = true;
    const auto write = [&](int address, std::uint16_t value) {
        const bool ok = rtuOk(ctx.io.writeSingle(ctx.slave, address, value));
        // One point and the second point show the first write's failure as a plain box.
        if (!ok && first && mode != kTwoPointFirst)
            comError(ctx, false);
        else if (!ok)
            comError(ctx);
        first = false;
        if (!ok) resetPointOptions();
        return ok;
    };
    if (!write(reg::kReferenceFirst, ref.words.first) || !pause(ctx, 100ms) ||
        !write(reg::kReferenceSecond, ref.words.second) || !pause(ctx, 100ms) || !writeDate(ctx, false) ||
        !pause(ctx, 100ms) || !write(command, reg::kGasPointCalibrate) || !pause(ctx, 1000ms))
        return;
    std::uint16_t answer = 0;
    if (!rtuOk(ctx.io.readHolding(ctx.slave, command, 1, &answer))) {
        comError(ctx);
        resetPointSelection();
        return;
    }
    if (answer != reg::kGasPointDone) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_FailedCalRetry");
        resetPointSelection();
        return;
    }
    if (mode == kTwoPointFirst) {
        // Point mode and options stay: the next Read starts the second point.
        if (!pause(ctx, 100ms) || !write(reg::kCalCommand1, reg::kGasSecondPointNext)) return;
        state_.caption = CalibrateCaption::TwoPointCal;
        state_.calibrateEnabled = false;
        plain(ctx.prompter, "IDS_Tab_Cal_2PCalClickButton");
        state_.wizardStep = 0;
        return;
    }
    plain(ctx.prompter,
          mode == kTwoPointSecond ? "IDS_Tab_Cal_2PCalCompleted" : "IDS_Tab_Cal_1PCalCompleted");
    state_.wizardStep = 0;
    state_.caption = CalibrateCaption::CalSucceed;
    resetPointSelection();
}

// Blocks F, G, H: pressure, moisture, moisture temperature. The read-back decides: 403 and 404 are
// the sensor refusing the calibration.
void CalibrationWizard::calibrateFloat(WizardContext& ctx, const ParsedReference& ref) {
    const auto write = [&](int address, std::uint16_t value) {
        if (rtuOk(ctx.io.writeSingle(ctx.slave, address, value))) return true;
        comError(ctx);
        resetPointOptions();
        return false;
    };
    if (!write(reg::kReferenceFirst, ref.words.first) || !pause(ctx, 100ms) ||
        !write(reg::kReferenceSecond, ref.words.second) || !pause(ctx, 100ms))
        return;
    if (!writeCalibrateCommand(ctx, static_cast<std::uint16_t>(state_.type())) || !pause(ctx, 1000ms)) return;
    std::uint16_t answer = 0;
    if (!rtuOk(ctx.io.readHolding(ctx.slave, reg::kCalCommand2, 1, &answer))) {
        comError(ctx);
        plain(ctx.prompter, "IDS_Tab_Cal_RestartCal");
    } else if (isRefusal(answer)) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_FailedCalRetry");
    } else {
        plain(ctx.prompter, "IDS_Tab_Cal_CalSucceed");
        state_.wizardStep = 0;
    }
    resetPointSelection();
}

}  // namespace talvex::calibration
