// Run modes, temperature calibration, fine adjustment and the 20 degC resistance, in the order of
// requests and pauses the sensors expect.
#include "talvex/production/production_ops.hpp"

#include <array>
#include <chrono>
#include <cstdio>

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::production {
namespace {

using device::Outcome;
using std::chrono::milliseconds;
namespace reg = sensor::reg;

constexpr milliseconds kChainCommandWait{10};
constexpr int kTemperatureOffset = 100;  // register 6: value / 100 - 100
constexpr double kResistanceScale = 1000;

std::vector<RunModeEntry> buildEntries() {
    std::vector<RunModeEntry> entries;
    for (const sensor::RunMode& m : sensor::kRunModes) entries.push_back({m.label, m.code, m.code});
    entries.push_back({"无线485-232", 0, sensor::runmode::kUser});
    return entries;
}

void error(Prompter& p, const char* key) {
    p.message(text(key), Prompter::Icon::Stop);
}

}  // namespace

std::span<const RunModeEntry> runModeEntries() {
    static const std::vector<RunModeEntry> entries = buildEntries();
    return entries;
}

std::uint16_t startRunMode(RegisterIo& io, Pacer& pacer, Prompter& prompter, const RunModeEntry& entry,
                           const Targets& targets) {
    if (targets.ids.empty()) return entry.remembered;
    if (entry.code == 0) {  // the 485-232 switch: one write to the selected sensor
        bool ok = rtuOk(io.writeSingle(targets.ids.front(), reg::kWireless485, sensor::kWireless485On));
        prompter.message(text(ok ? "IDS_Prod_SetOk" : "IDS_Prod_SetFailed"));
        return entry.remembered;
    }
    if (!targets.chain) {
        auto r = device::sendCommand(io, pacer, targets.ids.front(), entry.code, device::kStepPause, false);
        if (r.outcome != Outcome::Cancelled)
            prompter.message(text(r.done() ? "IDS_Prod_SetOk" : "IDS_Prod_SetFailed"));
        return entry.remembered;
    }
    for (int id : targets.ids) {  // the chain never ends early
        auto r = device::sendCommand(io, pacer, id, entry.code, kChainCommandWait, false);
        if (r.outcome == Outcome::Cancelled) break;
        if (r.done()) {
            prompter.message(textf("IDS_Prod_ChainSetOk", id));
            continue;
        }
        if (prompter.retry(textf("IDS_Prod_ChainSetFailed", id))) {
            r = device::sendCommand(io, pacer, id, entry.code, kChainCommandWait, false);
            if (r.outcome == Outcome::Cancelled) break;
            prompter.message(textf(r.done() ? "IDS_Prod_ChainSetOk" : "IDS_Prod_ChainSetFailedAgain", id));
        }
    }
    return entry.remembered;
}

std::optional<double> readTemperature(RegisterIo& io, Pacer& pacer, Prompter& prompter,
                                      const Targets& targets) {
    auto readOne = [&](int id) -> std::optional<double> {
        std::uint16_t raw = 0;
        Outcome o = device::readThenPause(io, pacer, id, reg::kSensorTemperature, 1, &raw);
        if (o != Outcome::Done) return std::nullopt;
        return raw / 100.0 - kTemperatureOffset;
    };
    if (!targets.chain) {
        if (targets.ids.empty()) return std::nullopt;
        auto t = readOne(targets.ids.front());
        if (!t && !pacer.cancelled()) error(prompter, "IDS_Prod_CommError");
        return t;
    }
    for (int id : targets.ids) {
        auto t = readOne(id);
        if (pacer.cancelled()) break;
        if (t)
            prompter.message(textf("IDS_Prod_ChainTemperature", id, *t));
        else
            error(prompter, "IDS_Prod_CommError");
    }
    return std::nullopt;
}

bool calibrateTemperature(RegisterIo& io, Pacer& pacer, Prompter& prompter, std::uint16_t lastRunMode,
                          CalibrationPoint point, std::string_view degrees, const Targets& targets) {
    if (lastRunMode != sensor::runmode::kHeatingOff) {
        prompter.message(text("IDS_Prod_HeatingOffFirst"));
        return false;
    }
    if (point == CalibrationPoint::None) {
        prompter.message(text("IDS_Prod_ChoosePoint"));
        return false;
    }
    auto whole = device::parseInteger(text("IDS_Prod_ActualTemperature"), degrees, -273, 1000);
    if (!whole) {
        prompter.message(whole.error, Prompter::Icon::Warning);
        return false;
    }
    if (!prompter.question(text("IDS_Prod_ConfirmCalibration"))) return false;
    const sensor::CommitCode& code =
        *sensor::findCommitCode(point == CalibrationPoint::First ? sensor::commit::kTemperaturePoint1
                                                                 : sensor::commit::kTemperaturePoint2);
    const double value = static_cast<double>(*whole);
    device::Staged staged = device::stageCommit(code, std::span<const double>(&value, 1));
    if (!staged) {
        prompter.message(staged.error, Prompter::Icon::Warning);
        return false;
    }
    bool accepted = false;
    for (int id : targets.ids) {
        auto r = device::commitCoefficients(io, pacer, id, code, staged.writes);
        if (r.outcome == Outcome::Cancelled) break;
        if (r.outcome == Outcome::CommunicationFailure) {
            if (r.commitUnconfirmed)
                prompter.message(device::commitNotConfirmedText(io, pacer, id, code), Prompter::Icon::Stop);
            else
                error(prompter, "IDS_Prod_CommError");
            break;  // also ends the chain
        }
        accepted = accepted || r.done();
        if (targets.chain)
            prompter.message(textf(r.done() ? "IDS_Prod_ChainTempCalOk" : "IDS_Prod_ChainTempCalFailed", id));
        else
            prompter.message(text(r.done() ? "IDS_Prod_TempCalOk" : "IDS_Prod_TempCalFailed"));
    }
    return accepted;
}

void fineAdjust(RegisterIo& io, Pacer& pacer, Prompter& prompter, int celsius, std::string_view ppm,
                const Targets& targets) {
    const sensor::FineAdjust* target = nullptr;
    for (const auto& f : sensor::kFineAdjust)
        if (f.celsius == celsius) target = &f;
    if (!target) return;
    auto value = device::parseInteger(text("IDS_Prod_ReferenceGas"), ppm, 0, 65535);
    if (!value) {
        prompter.message(value.error, Prompter::Icon::Warning);
        return;
    }
    for (int id : targets.ids) {
        auto r = device::fineAdjust(io, pacer, id, target->address, static_cast<std::uint16_t>(*value));
        if (r.outcome == Outcome::Cancelled) return;
        if (r.outcome == Outcome::CommunicationFailure) {
            prompter.message(text("IDS_Prod_FineCommError"));
            return;  // also ends the chain
        }
        if (!targets.chain) {
            prompter.message(text(r.done() ? "IDS_Prod_FineOk" : "IDS_Prod_FineFailed"));
        } else if (r.done()) {
            prompter.message(textf("IDS_Prod_ChainFineOk", id));
        } else {
            // At 90 and 110 degC a read-back that is neither 404 nor the address has its own text.
            bool odd = celsius != 50 && r.readBack != sensor::kFineAdjustRefused;
            prompter.message(textf(odd ? "IDS_Prod_ChainFineOddFailed" : "IDS_Prod_ChainFineFailed", id));
        }
    }
}

std::optional<std::string> readStoredResistance(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id) {
    auto t = device::readTextItem(io, pacer, id, sensor::item::kElementResistance20C);
    if (t.done()) return t.text;
    if (t.outcome != Outcome::Cancelled) prompter.message(textf("IDS_Prod_CommErrorNumbered", 7));
    return std::nullopt;
}

std::optional<std::string> measureResistance(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id) {
    std::array<std::uint16_t, 2> regs{};
    Outcome o = device::readThenPause(io, pacer, id, reg::kElementResistance, 2, regs.data());
    if (o != Outcome::Done) {
        if (o != Outcome::Cancelled) error(prompter, "IDS_Prod_CommError");
        return std::nullopt;
    }
    float ohms =
        static_cast<float>(device::decodeS32(regs[0], regs[1])) / static_cast<float>(kResistanceScale);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(ohms));
    return std::string(buf);
}

void writeResistance(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id, std::string_view ohms) {
    auto value = device::parseDecimal(text("IDS_Prod_Resistance"), ohms);
    if (!value) {
        prompter.message(value.error, Prompter::Icon::Warning);
        return;
    }
    const sensor::CommitCode& code = *sensor::findCommitCode(sensor::commit::kElementResistance);
    device::Staged staged = device::stageCommit(code, std::span<const double>(&*value, 1));
    if (!staged) {
        prompter.message(staged.error, Prompter::Icon::Warning);
        return;
    }
    if (!prompter.question(formatValues(text("IDS_Prod_ConfirmT2Res"), {*value}))) return;
    auto r = device::commitCoefficients(io, pacer, id, code, staged.writes);
    if (r.outcome == Outcome::Cancelled) return;
    if (r.commitUnconfirmed)
        prompter.message(device::commitNotConfirmedText(io, pacer, id, code), Prompter::Icon::Stop);
    else if (r.outcome == Outcome::CommunicationFailure)
        error(prompter, "IDS_Prod_CommError");
    else
        prompter.message(text(r.done() ? "IDS_Prod_WriteOk" : "IDS_Prod_WriteFailed"));
}

}  // namespace talvex::production
