// The wireless handshake: a wireless sensor takes each piece of a calibration (or a clear) at its
// own pace and reports its progress in CAL_Status; every 2 s tick repeats the pending write until
// the status names the next stage. Also Clear, which hands the wireless clear to the handshake.
#include <cstdio>

#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/calibration_wizard.hpp"
#include "wizard_messages.hpp"

namespace talvex::calibration {

using namespace std::chrono_literals;

std::chrono::milliseconds handshakeStall(std::uint16_t sendIntervalSeconds) {
    const int interval = sendIntervalSeconds == 0 || sendIntervalSeconds > sensor::kMaxSendIntervalSeconds
                             ? sensor::kMaxSendIntervalSeconds
                             : sendIntervalSeconds;
    return std::chrono::seconds(3 * interval) + kHandshakeStallMargin;
}

// Reads the sensor's send interval (register 10), which sets how long the handshake may wait.
void CalibrationWizard::startHandshake(WizardContext& ctx, int stage) {
    std::uint16_t interval = 0;
    if (!rtuOk(ctx.io.readHolding(ctx.slave, sensor::reg::kSendInterval, 1, &interval))) interval = 0;
    state_.handshakeStallMs = handshakeStall(interval).count();
    state_.handshakeRunning = true;
    state_.wirelessStage = stage;
    state_.handshakeMovedMs = ctx.pacer.nowMs();
    state_.lastStatusWord = 0;
}

void CalibrationWizard::stopHandshake() {
    state_.handshakeRunning = false;
}

void CalibrationWizard::setStage(WizardContext& ctx, int stage) {
    if (stage != state_.wirelessStage) state_.handshakeMovedMs = ctx.pacer.nowMs();
    state_.wirelessStage = stage;
}

void CalibrationWizard::abandonHandshake(Prompter& prompter, std::string_view messageKey) {
    if (!state_.handshakeRunning) return;
    stopHandshake();
    state_.wirelessStage = kStageIdle;
    state_.progress = 0;
    resetPointSelection();
    state_.wizardStep = 2;
    state_.readEnabled = state_.calibrateEnabled = state_.clearEnabled = true;
    state_.typeSelectorEnabled = true;
    plain(prompter, messageKey);
}

void CalibrationWizard::handshakeTickSteps(WizardContext& ctx) {
    if (!state_.handshakeRunning) return;
    if (!ctx.connected) {
        fail(Outcome::CommunicationFailure);
        abandonHandshake(ctx.prompter, "IDS_Tab_Cal_WlessStopped");
        return;
    }
    if (ctx.pacer.nowMs() - state_.handshakeMovedMs >= state_.handshakeStallMs) {
        fail(Outcome::CommunicationFailure);  // the sensor's answers stopped moving the stage on
        abandonHandshake(ctx.prompter, "IDS_Tab_Cal_WlessNoProgress");
        return;
    }
    std::uint16_t word = 0;
    const bool statusRead = rtuOk(ctx.io.readHolding(ctx.slave, reg::kStatusWord, 1, &word));
    if (statusRead) state_.lastStatusWord = word;  // a failed read goes on with the word before
    const unsigned calStatus = ((state_.lastStatusWord & 0xFFu) >> 3) & 0x0Fu;
    char text[96];
    std::snprintf(text, sizeof text, "  CAL_Status = %u  ,", calStatus);
    std::string line = text;
    if (handshakeRow(ctx, calStatus, statusRead)) {
        std::snprintf(text, sizeof text, " m39_CalRead_Step = %d", state_.wirelessStage);
        line += text;
    }
    ctx.prompter.log(line);
}

// Acts on (stage, CAL_Status). A transition goes on at once with the new stage's row, so that tick
// also makes the new stage's waiting write. False when the tick ended early.
bool CalibrationWizard::handshakeRow(WizardContext& ctx, unsigned cs, bool statusRead) {
    const auto write = [&](int address, std::uint16_t value) {
        return rtuOk(ctx.io.writeSingle(ctx.slave, address, value));
    };
    const auto writeOrWarn = [&](int address, std::uint16_t value, bool resetOptions) {
        if (write(address, value)) return;
        comError(ctx);
        if (resetOptions) resetPointOptions();
    };
    const ReferenceWords ref = concentrationWords(state_.referenceConcentration);
    const ReferenceWords date = dateWords(ctx.today());
    const auto finish = [&](std::string_view messageKey, CalibrateCaption caption) {
        setStage(ctx, kStageIdle);
        plain(ctx.prompter, messageKey);
        resetPointSelection();
        state_.caption = caption;
        state_.readEnabled = state_.calibrateEnabled = true;
        stopHandshake();
        state_.progress = 0;
        return true;
    };

    switch (state_.wirelessStage) {
        case kStageAwaitStart:
            if (cs != 1) {
                state_.progress = 10;
                if (write(reg::kCalCommand1, reg::kStartInOil)) return true;
                comError(ctx);
                plain(ctx.prompter, "IDS_Tab_Cal_RestartCal");
                resetPointSelection();
                state_.wizardStep = 2;
                return false;
            }
            stopHandshake();
            state_.progress = 30;
            if (statusRead) {
                state_.wizardStep = 3;
                state_.measuredText = state_.keptMeasurement;
                state_.caption = CalibrateCaption::Cal;
                state_.readEnabled = false;
                state_.calibrateEnabled = true;
            } else {
                comError(ctx);
                plain(ctx.prompter, "IDS_Tab_Cal_RestartCal");
                resetPointSelection();
                setStage(ctx, 2);
            }
            return true;
        case 2:
            if (cs != 4) {
                if (write(reg::kReferenceFirst, ref.first)) return true;
                comError(ctx);
                resetPointOptions();
                return false;
            }
            writeOrWarn(reg::kReferenceSecond, ref.second, true);
            setStage(ctx, 3);
            state_.progress = 40;
            [[fallthrough]];
        case 3:
            if (cs != 5) {
                writeOrWarn(reg::kReferenceSecond, ref.second, true);
                state_.progress = 40;
                return true;
            }
            writeOrWarn(reg::kCalMonthDay, date.first, false);
            setStage(ctx, 4);
            state_.progress = 50;
            [[fallthrough]];
        case 4:
            if (cs != 6) {
                writeOrWarn(reg::kCalMonthDay, date.first, false);
                state_.progress = 50;
                return true;
            }
            if (!pause(ctx, 100ms)) return false;
            writeOrWarn(reg::kCalYear, date.second, false);
            setStage(ctx, 5);
            state_.progress = 60;
            [[fallthrough]];
        case 5:
            if (cs != 7) {
                if (!pause(ctx, 100ms)) return false;
                write(reg::kCalYear, date.second);
                state_.progress = 60;
                return true;
            }
            if (!pause(ctx, 100ms)) return false;
            write(reg::kCalCommand2, reg::kStartInOil);  // the status decides
            resetPointSelection();
            setStage(ctx, 6);
            state_.progress = 80;
            [[fallthrough]];
        case 6:
            if (cs == 2) return finish("IDS_Tab_Cal_CalSucceed", CalibrateCaption::CalSucceed);
            if (cs == 8) {
                fail(Outcome::Refused);
                return finish("IDS_Tab_Cal_CalFailed", CalibrateCaption::CalFailed);
            }
            if (!pause(ctx, 100ms)) return false;
            write(reg::kCalCommand2, reg::kStartInOil);
            resetPointSelection();
            state_.progress = 80;
            return true;
        case kStageClearing:
            if (cs != 3) {
                write(reg::kCalClear, reg::kClearHydrogen);
                state_.clearEnabled = false;
                return true;
            }
            stopHandshake();
            state_.clearEnabled = true;
            setStage(ctx, kStageIdle);
            resetPointSelection();
            state_.measuredText.clear();
            state_.wizardStep = 0;
            state_.typeSelectorEnabled = true;
            plain(ctx.prompter, "IDS_Tab_Cal_CalDataCleared");
            return true;
        default:
            stopHandshake();
            return true;
    }
}

void CalibrationWizard::clearSteps(WizardContext& ctx) {
    if (!ctx.connected) {
        fail(Outcome::CommunicationFailure);
        plain(ctx.prompter, "IDD_Message_ConnectPort");
        return;
    }
    const CalibrationTypeInfo& info = typeInfo(state_.type());
    if (!ask(ctx.prompter, info.clearQuestionKey)) {
        fail(Outcome::Cancelled);
        return;
    }
    if (info.type == CalibrationType::Wireless) {
        ctx.io.writeSingle(ctx.slave, reg::kCalClear, reg::kClearHydrogen);  // the handshake repeats it
        startHandshake(ctx, kStageClearing);
        state_.clearEnabled = false;
        return;
    }
    if (!rtuOk(ctx.io.writeSingle(ctx.slave, reg::kCalClear, info.clearCommand))) {
        comError(ctx);
        return;
    }
    resetPointSelection();
    state_.wizardStep = 0;
    state_.measuredText.clear();
    state_.typeSelectorEnabled = true;
    plain(ctx.prompter, info.clearedKey);
}

}  // namespace talvex::calibration
