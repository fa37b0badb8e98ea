#include "talvex/calibration/fitting/fitting_write.hpp"

#include <cstdio>
#include <span>

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/language.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::calibration::fitting {
namespace {

using sensor::Encoding;

// Where the piecewise and compensation values are staged: the nine coefficient slots of the three
// staging areas, then the four breakpoint slots after them (the calibration-equation layout).
struct Slot {
    std::uint16_t address;
    Encoding encoding;
};
std::vector<Slot> calibrationEquationSlots() {
    std::vector<Slot> slots;
    for (const auto& v : sensor::findCommitCode(sensor::commit::kCalibrationEquation)->staged)
        if (v.encoding != Encoding::BcdDate) slots.push_back({v.firstRegister, v.encoding});
    return slots;  // A1, B1, C1, A2, B2, C2, A3, B3, C3, P0, P1, P2, P3
}

std::string refuseSensorId(int sensorId) {
    if (sensorId >= sensor::kMinSensorId && sensorId <= sensor::kMaxSensorId) return {};
    char text[256];
    std::snprintf(text, sizeof text, GetText("IDS_Fit_BadSensorId").c_str(), sensorId);
    return text;
}

std::string fieldValue(const Fields& fields, const std::string& name) {
    const std::string* text = fieldText(fields, name);
    return text ? *text : std::string();
}

// Encodes one field into its slot; false (with the refusal) when its text is not a number (an empty
// field after a refused fit must not reach the sensor as 0) or the value does not fit.
bool stage(CommitStep& step, const Slot& slot, const std::string& name, const std::string& text,
           std::string& refusal) {
    const device::Parsed<double> value = device::parseDecimal(name, text);
    if (!value) {
        refusal = value.error;
        return false;
    }
    const device::Encoded encoded = device::encodeNumber(slot.encoding, name, *value);
    if (!encoded) {
        refusal = encoded.error;
        return false;
    }
    for (std::size_t i = 0; i < encoded.registers.size(); ++i)
        step.staged.push_back({static_cast<std::uint16_t>(slot.address + i), encoded.registers[i]});
    return true;
}

std::string questionLine(const std::string& label, double value, int decimals, const char* end = "\r\n ") {
    return "Set " + label + " = " + formatFixed(value, decimals) + end;
}

}  // namespace

FittingWritePlan planPiecewiseWrite(const Fields& fields, int dataKind, int sensorId) {
    if (std::string refusal = refuseSensorId(sensorId); !refusal.empty()) return {std::nullopt, refusal};
    const std::vector<Slot> slots = calibrationEquationSlots();
    const char* staged[] = {"A1", "B1", "C1", "A2", "B2", "C2", "A3", "B3", "C3", "P0", "P1", "P2", "P3"};
    CommitStep step;
    std::string refusal;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (!stage(step, slots[i], staged[i], fieldValue(fields, staged[i]), refusal))
            return {std::nullopt, refusal};
    if (dataKind == 2) step.commitCode = sensor::commit::kCalibrationEquation;
    if (dataKind == 1) step.commitCode = sensor::commit::kElementResistance;

    // The breakpoints are asked as the single-precision values that are sent.
    FittingWrite write;
    for (const Field& f : fields) {
        const double value = parseNumber(f.text);
        const bool breakpoint = f.name[0] == 'P';
        write.question += questionLine(
            f.name, breakpoint ? static_cast<double>(static_cast<float>(value)) : value, breakpoint ? 4 : 9);
    }
    write.steps.push_back(std::move(step));
    return {std::move(write), {}};
}

FittingWritePlan planTemperatureDifferenceWrite(const Fields& fields, TemperatureSegment segment,
                                                int dataKind, int sensorId) {
    if (dataKind != static_cast<int>(segment) + 1) return {std::nullopt, GetText("IDS_Fit_CheckSegment")};
    if (std::string refusal = refuseSensorId(sensorId); !refusal.empty()) return {std::nullopt, refusal};
    const std::vector<Slot> slots = calibrationEquationSlots();
    const Fields names = temperatureDifferenceFields(segment);
    CommitStep step;
    FittingWrite write;
    std::string refusal;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string text = fieldValue(fields, names[i].name);
        if (!stage(step, slots[i], names[i].name, text, refusal)) return {std::nullopt, refusal};
        const double value = parseNumber(text);
        // The question names the compensation pairs as the sensor knows them: REF_R_L20A, ...
        write.question += questionLine(i < 3 ? names[i].name : "REF_" + names[i].name, value, 9);
    }
    step.commitCode =
        segment == TemperatureSegment::Low ? sensor::commit::kMoisture : sensor::commit::kOilGas;
    write.steps.push_back(std::move(step));
    return {std::move(write), {}};
}

FittingWritePlan planTemperatureCoefficientWrite(const Fields& fields, int sensorId) {
    if (std::string refusal = refuseSensorId(sensorId); !refusal.empty()) return {std::nullopt, refusal};
    FittingWrite write;
    std::string refusal;
    for (std::uint16_t code :
         {sensor::commit::kTemperatureCoefficients, sensor::commit::kTemperatureCalibration}) {
        CommitStep step;
        for (const auto& v : sensor::findCommitCode(code)->staged)
            if (!stage(step, {v.firstRegister, v.encoding}, std::string(v.name),
                       fieldValue(fields, std::string(v.name)), refusal))
                return {std::nullopt, refusal};
        step.commitCode = code;
        write.steps.push_back(std::move(step));
    }
    const double a = parseNumber(fieldValue(fields, "ST_A")), b = parseNumber(fieldValue(fields, "ST_B")),
                 c = parseNumber(fieldValue(fields, "ST_C")), sa = parseNumber(fieldValue(fields, "STC_a")),
                 sb = parseNumber(fieldValue(fields, "STC_b"));
    write.question = questionLine("A", a, 9) + questionLine("B", b, 9) + questionLine("C", c, 9) +
                     questionLine("a", sa, 9, "\r\n  ") + questionLine("b", sb, 9, "\r\n  ");
    return {std::move(write), {}};
}

WriteEnd runFittingWrite(RegisterIo& io, Pacer& pacer, Prompter& prompter, int sensorId,
                         const FittingWrite& write) {
    if (!prompter.question(write.question)) return WriteEnd::NotConfirmed;
    WriteEnd end = WriteEnd::Written;
    for (const CommitStep& step : write.steps) {
        for (const auto& w : step.staged) {
            const device::Outcome staged = device::writeThenPause(io, pacer, sensorId, w.address, w.value);
            if (staged == device::Outcome::Cancelled) return WriteEnd::Cancelled;
            if (staged != device::Outcome::Done) {
                prompter.message(GetText("IDS_Fit_CommError"), Prompter::Icon::Warning);
                return WriteEnd::CommunicationFailure;
            }
        }
        if (!step.commitCode) continue;
        // The values are staged already: the procedure writes the commit, waits and reads back.
        const sensor::CommitCode& code = *sensor::findCommitCode(*step.commitCode);
        const device::ProcedureResult commit = device::commitCoefficients(io, pacer, sensorId, code, {});
        if (commit.commitUnconfirmed) {
            prompter.message(device::commitNotConfirmedText(io, pacer, sensorId, code),
                             Prompter::Icon::Warning);
            end = WriteEnd::CommunicationFailure;
            continue;
        }
        switch (commit.outcome) {
            case device::Outcome::Done:
                prompter.message(GetText("IDS_Fit_WriteOk"));
                break;
            case device::Outcome::Refused:
                prompter.message(GetText("IDS_Fit_WriteFailed"));
                if (end == WriteEnd::Written) end = WriteEnd::Refused;
                break;
            case device::Outcome::CommunicationFailure:
                prompter.message(GetText("IDS_Fit_CommError"), Prompter::Icon::Warning);
                end = WriteEnd::CommunicationFailure;
                break;
            case device::Outcome::Cancelled:
                return WriteEnd::Cancelled;
        }
    }
    return end;
}

}  // namespace talvex::calibration::fitting
