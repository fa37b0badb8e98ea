// Read, Step 3: the start command chosen by the Calibrate caption and the type, the sensor's answer
// in register 121, then the present reading.
#include <optional>

#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/calibration_wizard.hpp"
#include "wizard_messages.hpp"

namespace talvex::calibration {

using namespace std::chrono_literals;

namespace {

struct StartCommand {
    int address;
    std::uint16_t value;
    std::string_view messageKey;
    bool secondPoint;  // point mode becomes 22
};

// The first matching row of the start-command table; nullopt for a caption and type that match none.
std::optional<StartCommand> startCommand(CalibrateCaption caption, CalibrationType type) {
    using enum CalibrationType;
    if (type == GasPhase) {
        switch (caption) {
            case CalibrateCaption::TwoPointCal:
                return StartCommand{reg::kCalCommand2, reg::kStartGasPoint, "IDS_Tab_Cal_Start2PCal", true};
            case CalibrateCaption::OnePointCal:
                return StartCommand{reg::kCalCommand1, reg::kStartGasPoint, "IDS_Tab_Cal_Start1PCal", false};
            case CalibrateCaption::Cal:
                return StartCommand{reg::kCalCommand1, reg::kStartGasPoint, "IDS_Tab_Cal_StartCal", false};
            default:
                return std::nullopt;
        }
    }
    if (caption != CalibrateCaption::Cal) return std::nullopt;
    return StartCommand{reg::kCalCommand1, typeInfo(type).startCommand, "IDS_Tab_Cal_StartCal", false};
}

}  // namespace

void CalibrationWizard::abandonRead(WizardContext& ctx) {
    comError(ctx, false);
    plain(ctx.prompter, "IDS_Tab_Cal_RestartCal");
    resetPointSelection();
    state_.wizardStep = 2;
}

void CalibrationWizard::readSteps(WizardContext& ctx) {
    const CalibrationType type = state_.type();
    if (!ctx.connected) {
        fail(Outcome::CommunicationFailure);
        plain(ctx.prompter, "IDD_Message_ConnectPort");
        return;
    }
    if (state_.pointMode == kNoPoint) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_SelPointCal");
        return;
    }
    if (state_.wizardStep == 3) {
        if (ask(ctx.prompter, "IDS_Tab_Cal_StepsErrorContinue")) {
            fail(Outcome::Refused);  // Step 4 comes next, not another Read
            plain(ctx.prompter, "IDS_Tab_Cal_Step4Continue");
        } else {
            fail(Outcome::Cancelled);
            plain(ctx.prompter, "IDS_Tab_Cal_ExitedRestartCal");
            resetPointSelection();
            state_.wizardStep = 2;
            state_.measuredText.clear();
        }
        return;
    }
    state_.calibrateEnabled = true;
    state_.oneEnabled = state_.twoEnabled = false;
    const auto start = startCommand(state_.caption, type);
    if (!start) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_ErrorCalRestart");
        resetPointSelection();
        state_.wizardStep = 2;
        return;
    }
    if (start->secondPoint) state_.pointMode = kTwoPointSecond;
    if (!rtuOk(ctx.io.writeSingle(ctx.slave, start->address, start->value))) {
        abandonRead(ctx);
        return;
    }
    if (type == CalibrationType::Wireless) state_.progress = 10;
    plain(ctx.prompter, start->messageKey);
    if (!pause(ctx, 500ms)) return;
    std::uint16_t answer = 0;
    if (!rtuOk(ctx.io.readHolding(ctx.slave, reg::kCalCommand1, 1, &answer))) {
        abandonRead(ctx);
        return;
    }
    if (answer == reg::kRefusedBusy || answer == reg::kRefusedState) {
        fail(Outcome::Refused);
        plain(ctx.prompter, "IDS_Tab_Cal_NotSupportCal");
        resetPointSelection();
        state_.wizardStep = 2;
        return;
    }
    if (!pause(ctx, 500ms)) return;
    const CalibrationTypeInfo& info = typeInfo(type);
    if (type == CalibrationType::Wireless) startHandshake(ctx, kStageAwaitStart);
    std::uint16_t value[2] = {};
    if (!rtuOk(ctx.io.readHolding(ctx.slave, info.valueRegister, 2, value))) {
        // The run is abandoned, so a handshake waiting for its start ends too.
        if (type == CalibrationType::Wireless) stopHandshake();
        comError(ctx);
        plain(ctx.prompter, "IDS_Tab_Cal_RestartCal");
        resetPointSelection();
        state_.wizardStep = 2;
        return;
    }
    const std::string text = formatReading(info.encoding, value[0], value[1]);
    if (type == CalibrationType::Wireless) {
        // The handshake shows the value once the sensor has acknowledged the start.
        state_.keptMeasurement = text;
        state_.progress = 20;
        return;
    }
    state_.wizardStep = 3;
    state_.measuredText = text;
    state_.keptMeasurement = text;
    state_.caption = state_.pointMode == kTwoPointSecond  ? CalibrateCaption::TwoPointCal
                     : state_.pointMode == kTwoPointFirst ? CalibrateCaption::OnePointCal
                                                          : CalibrateCaption::Cal;
    state_.calibrateEnabled = true;
}

}  // namespace talvex::calibration
