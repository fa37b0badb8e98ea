// Type selection, the point options and the resets they share.
#include "talvex/calibration/wizard/calibration_wizard.hpp"

#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/device/procedures.hpp"
#include "wizard_messages.hpp"

namespace talvex::calibration {

using namespace std::chrono_literals;

namespace {

// Procedure D with 500 ms: the sensor confirms with the mode shifted left by four. The write's own
// result is not examined; a failed read counts as not confirmed.
Outcome switchRunMode(WizardContext& ctx, std::uint16_t mode) {
    return device::sendCommand(ctx.io, ctx.pacer, ctx.slave, mode, 500ms, /*examineWrite=*/false).outcome;
}

}  // namespace

std::string_view captionKey(CalibrateCaption caption) {
    switch (caption) {
        case CalibrateCaption::Cal:
            return "IDS_Tab_Cal_Cal";
        case CalibrateCaption::OnePointCal:
            return "IDS_Tab_Cal_1PCal";
        case CalibrateCaption::TwoPointCal:
            return "IDS_Tab_Cal_2PCal";
        case CalibrateCaption::CalSucceed:
            return "IDS_Tab_Cal_CalSucceed";
        case CalibrateCaption::CalFailed:
            return "IDS_Tab_Cal_CalFailed";
    }
    return "IDS_Tab_Cal_Cal";
}

bool CalibrationWizard::pause(WizardContext& ctx, std::chrono::milliseconds d) {
    if (ctx.pacer.pause(d)) return true;
    fail(Outcome::Cancelled);
    return false;
}

void CalibrationWizard::comError(WizardContext& ctx, bool asWarning) {
    fail(Outcome::CommunicationFailure);
    if (asWarning)
        warning(ctx.prompter, "IDD_ComError");
    else
        plain(ctx.prompter, "IDD_ComError");
}

Outcome CalibrationWizard::selectType(int index, WizardContext& ctx) {
    return run([&] { selectTypeSteps(index, ctx); });
}

Outcome CalibrationWizard::onePointClicked(WizardContext& ctx) {
    return run([&] { onePointSteps(ctx); });
}

Outcome CalibrationWizard::read(WizardContext& ctx) {
    return run([&] { readSteps(ctx); });
}

Outcome CalibrationWizard::calibrate(WizardContext& ctx, std::string_view referenceText) {
    return run([&] { calibrateSteps(ctx, referenceText); });
}

Outcome CalibrationWizard::clear(WizardContext& ctx) {
    return run([&] { clearSteps(ctx); });
}

Outcome CalibrationWizard::handshakeTick(WizardContext& ctx) {
    return run([&] { handshakeTickSteps(ctx); });
}

void CalibrationWizard::resetPointOptions() {
    state_.oneChecked = state_.twoChecked = false;
    state_.oneEnabled = state_.twoEnabled = true;
    state_.oneToggle = state_.twoToggle = false;
}

void CalibrationWizard::resetPointSelection() {
    state_.pointMode = kNoPoint;
    resetPointOptions();
}

void CalibrationWizard::selectTypeSteps(int index, WizardContext& ctx) {
    state_.typeIndex = indexOf(typeAt(index).type);  // out of range: index 0
    const CalibrationType type = state_.type();
    state_.twoEnabled = type == CalibrationType::GasPhase;
    if (type == CalibrationType::InOilLab) {
        if (ask(ctx.prompter, "IDS_Tab_Cal_SelLabCal")) {
            const Outcome switched = switchRunMode(ctx, reg::kRunModeLaboratory);
            if (switched == Outcome::Done) {
                plain(ctx.prompter, "IDS_Tab_Cal_EnterLabMeasure");
            } else {
                fail(switched);
                state_.typeIndex = indexOf(CalibrationType::InOil);
                plain(ctx.prompter, "IDS_Tab_Cal_LabCalFailed");
            }
        } else {
            fail(Outcome::Cancelled);
            state_.typeIndex = indexOf(CalibrationType::InOil);
            plain(ctx.prompter, "IDS_Tab_Cal_LabCalCancel");
        }
    }
    state_.wizardStep = 1;
}

void CalibrationWizard::onePointSteps(WizardContext& ctx) {
    state_.wizardStep = 2;
    state_.typeSelectorEnabled = false;
    const CalibrationType type = state_.type();
    if (state_.oneToggle) {
        state_.oneToggle = false;
        state_.oneChecked = false;
        if (type == CalibrationType::InOilLab) {
            if (ask(ctx.prompter, "IDS_Tab_Cal_ExitLab")) {
                const Outcome switched = switchRunMode(ctx, reg::kRunModeNormal);
                if (switched == Outcome::Done) {
                    plain(ctx.prompter, "IDS_Tab_Cal_ExitedLab");
                    state_.typeSelectorEnabled = true;
                    state_.typeIndex = indexOf(CalibrationType::InOil);
                    resetPointSelection();
                } else {
                    fail(switched);
                    plain(ctx.prompter, "IDS_Tab_Cal_ExitedLabFailed");
                }
            } else {
                fail(Outcome::Cancelled);
            }
        } else {
            state_.typeSelectorEnabled = true;
        }
    } else {
        state_.oneToggle = true;
        state_.oneChecked = true;
    }
    state_.pointMode = kOnePoint;
    state_.caption = CalibrateCaption::Cal;
    if (state_.oneChecked) {
        state_.twoEnabled = false;
        state_.calibrateEnabled = false;
    } else {
        state_.twoEnabled = !isInOil(state_.type());
        state_.calibrateEnabled = true;
    }
}

void CalibrationWizard::twoPointClicked(Prompter& prompter) {
    state_.wizardStep = 2;
    state_.typeSelectorEnabled = false;
    if (isInOil(state_.type())) {
        state_.typeSelectorEnabled = true;
        state_.twoChecked = false;
        plain(prompter, "IDS_Tab_Cal_NotSupport2PCal");
        return;
    }
    if (state_.twoToggle) {
        state_.twoToggle = false;
        state_.twoChecked = false;
        state_.typeSelectorEnabled = true;
    } else {
        state_.twoToggle = true;
        state_.twoChecked = true;
    }
    if (state_.twoChecked) {
        state_.pointMode = kTwoPointFirst;
        state_.oneEnabled = false;
        state_.caption = CalibrateCaption::OnePointCal;
        state_.calibrateEnabled = false;
    } else {
        state_.pointMode = kOnePoint;
        state_.oneEnabled = true;
        state_.caption = CalibrateCaption::Cal;
        state_.calibrateEnabled = true;
    }
}

}  // namespace talvex::calibration
