#include "talvex/device/parameter_operations.hpp"

#include <cstdio>

#include "talvex/language.hpp"
#include "talvex/operations/sensor_id.hpp"

namespace talvex::device {
namespace {

namespace reg = sensor::reg;
using std::chrono::milliseconds;

std::string text(const char* key) {
    return GetText(key);
}

struct RegisterField {
    ParameterField field;
    std::uint16_t address;
    int count;
};

std::string formatRegisters(ParameterField field, const std::uint16_t* r) {
    char buf[32];
    switch (field) {
        case ParameterField::RangeLow:
        case ParameterField::RangeHigh:
            std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(decodeU32(r[0], r[1])));
            break;
        case ParameterField::AlarmHydrogen:
        case ParameterField::AlarmRate:
            std::snprintf(buf, sizeof buf, "%d", static_cast<int>(decodeS32(r[0], r[1])));
            break;
        case ParameterField::AlarmOilTemperature:
            std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(r[0] / 100));
            break;
        case ParameterField::Firmware:
        case ParameterField::ProductModel:
        case ParameterField::SerialNumber:
            return decodeText20(std::span<const std::uint16_t>(r, sensor::kText20Registers));
        default:  // analog outputs: value / 100 in single precision
            std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(static_cast<float>(r[0]) / 100.0f));
            break;
    }
    return buf;
}

constexpr RegisterField kRegisterFields[] = {
    {ParameterField::RangeLow, reg::kRangeLow, 2},
    {ParameterField::RangeHigh, reg::kRangeHigh, 2},
    {ParameterField::AnalogLow, reg::kAnalogLow, 1},
    {ParameterField::AnalogHigh, reg::kAnalogHigh, 1},
    {ParameterField::AnalogError, reg::kAnalogError, 1},
    {ParameterField::AnalogReady, reg::kAnalogReady, 1},
    {ParameterField::AlarmHydrogen, reg::kAlarmHydrogen, 2},
    {ParameterField::AlarmRate, reg::kAlarmRate, 2},
    {ParameterField::AlarmOilTemperature, reg::kAlarmOilTemperature, 1},
    {ParameterField::Firmware, reg::kFirmware, sensor::kText20Registers},
    {ParameterField::ProductModel, reg::kProductModel, sensor::kText20Registers},
    {ParameterField::SerialNumber, reg::kProductNumber, sensor::kText20Registers},
};

constexpr std::pair<ParameterField, std::uint16_t> kItemFields[] = {
    {ParameterField::RefPrValue, sensor::item::kRefPrValue},
    {ParameterField::FilterValue, sensor::item::kFilterValue},
    {ParameterField::OilTypeKa, sensor::item::kOilTypeKa},
    {ParameterField::OilTypeKb, sensor::item::kOilTypeKb},
    {ParameterField::AwAvgKa, sensor::item::kAwAvgKa},
    {ParameterField::AwAvgKb, sensor::item::kAwAvgKb},
};

void append(WritePlan& plan, std::uint16_t first, const Encoded& e) {
    if (!plan.ok()) return;
    if (!e) {
        plan.error = e.error;
        plan.writes.clear();
        return;
    }
    for (std::size_t k = 0; k < e.registers.size(); ++k)
        plan.writes.push_back({static_cast<std::uint16_t>(first + k), e.registers[k]});
}

Encoded encodeInteger(const char* key, std::string_view textValue, std::int64_t min, std::int64_t max,
                      Encoded (*encode)(std::string_view, std::int64_t)) {
    const std::string field = text(key);
    const auto v = parseInteger(field, textValue, min, max);
    if (!v) return Encoded{{}, v.error};
    return encode(field, *v);
}

}  // namespace

std::string_view parameterFieldName(ParameterField field) {
    constexpr std::string_view names[] = {
        "range_low",   "range_high",   "analog_low",     "analog_high", "analog_error",  "analog_ready",
        "alarm_h2",    "alarm_roc",    "alarm_oil_temp", "firmware",    "product_model", "serial_number",
        "refpr_value", "filter_value", "oiltype_ka",     "oiltype_kb",  "awavg_ka",      "awavg_kb"};
    return names[static_cast<int>(field)];
}

Outcome readDeviceParameters(RegisterIo& io, Pacer& pacer, int slave,
                             const std::function<void(ParameterField, const std::string&)>& onField) {
    for (const RegisterField& f : kRegisterFields) {
        std::uint16_t r[sensor::kText20Registers] = {};
        if (const Outcome o = readThenPause(io, pacer, slave, f.address, f.count, r); o != Outcome::Done)
            return o;
        onField(f.field, formatRegisters(f.field, r));
    }
    for (const auto& [field, code] : kItemFields) {
        const TextResult item = readTextItem(io, pacer, slave, code);
        if (!item.done()) return item.outcome;
        onField(field, item.text);
    }
    return Outcome::Done;
}

WritePlan planRange(std::string_view low, std::string_view high) {
    WritePlan plan;
    append(plan, reg::kRangeLow,
           encodeInteger("IDS_Tab_Parameters_MeasurementRange", low, 0, 0xFFFFFFFFll, encodeU32));
    append(plan, reg::kRangeHigh,
           encodeInteger("IDS_Tab_Parameters_MeasurementRange", high, 0, 0xFFFFFFFFll, encodeU32));
    return plan;
}

WritePlan planAnalogOutputs(const std::array<std::string, 4>& values) {
    constexpr const char* keys[] = {"IDS_Tab_Parameters_Rlow", "IDS_Tab_Parameters_Rhigh",
                                    "IDS_Tab_Parameters_Aerror", "IDS_Tab_Parameters_Aready"};
    constexpr std::uint16_t addresses[] = {reg::kAnalogLow, reg::kAnalogHigh, reg::kAnalogError,
                                           reg::kAnalogReady};
    WritePlan plan;
    for (std::size_t i = 0; i < values.size() && plan.ok(); ++i) {
        const std::string field = text(keys[i]);
        const auto v = parseDecimal(field, values[i]);
        append(plan, addresses[i], v ? encodeU16x100(field, *v) : Encoded{{}, v.error});
    }
    return plan;
}

WritePlan planAlarms(std::string_view hydrogen, std::string_view rate, std::string_view oilTemperature) {
    WritePlan plan;
    append(plan, reg::kAlarmHydrogen,
           encodeInteger("IDS_Tab_Parameters_AlarmH2", hydrogen, INT32_MIN, INT32_MAX, encodeS32));
    append(plan, reg::kAlarmRate,
           encodeInteger("IDS_Tab_Parameters_AlarmROC", rate, INT32_MIN, INT32_MAX, encodeS32));
    // Whole degrees, times 100 into one register.
    append(plan, reg::kAlarmOilTemperature,
           encodeInteger("IDS_Tab_Parameters_AlarmOilTemp", oilTemperature, 0, 655,
                         [](std::string_view field, std::int64_t v) { return encodeU16(field, v * 100); }));
    return plan;
}

Outcome writeRegisters(RegisterIo& io, Pacer& pacer, int slave, std::span<const RegisterWrite> writes) {
    for (const RegisterWrite& w : writes)
        if (const Outcome o = writeThenPause(io, pacer, slave, w.address, w.value); o != Outcome::Done)
            return o;
    return Outcome::Done;
}

void runGroupWrite(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                   const WritePlan& plan) {
    if (!plan.ok()) {
        prompter.message(plan.error, talvex::Prompter::Icon::Warning);
        return;
    }
    switch (writeRegisters(io, pacer, slave, plan.writes)) {
        case Outcome::Done:
            prompter.message(text("IDS_WriteSuccess"));
            break;
        case Outcome::Cancelled:
            break;
        default:
            prompter.message(text("IDD_Message_SetFailed"));
            break;
    }
}

Outcome setSensorClock(RegisterIo& io, Pacer& pacer, int slave, const std::tm& local) {
    const auto clock = clockRegisters(local);
    for (std::size_t i = 0; i < clock.size(); ++i) {
        const auto address = static_cast<std::uint16_t>(reg::kClockMonthDay + i);
        if (pacer.cancelled()) return Outcome::Cancelled;
        const bool ok = rtuOk(io.writeSingle(slave, address, clock[i]));
        // The minute-second write's own result is not examined.
        if (!ok && address != reg::kClockMinuteSecond) return Outcome::CommunicationFailure;
        if (!pacer.pause(kStepPause)) return Outcome::Cancelled;
    }
    return Outcome::Done;
}

void runOperationMode(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave, int modeIndex,
                      const std::tm& local) {
    if (modeIndex != 0 && modeIndex != 1) return;  // only the list's two entries have a mode value
    const std::uint16_t mode = modeIndex == 0 ? sensor::kFieldMode : sensor::kLaboratoryMode;
    if (!prompter.question(text("IDS_Tab_Parameters_OnlyAppModelKA"))) return;
    if (pacer.cancelled()) return;
    const bool ok = rtuOk(io.writeSingle(slave, reg::kOperationMode, mode));
    prompter.message(text(ok ? "IDS_WriteSuccess" : "IDD_Message_SetFailed"));
    if (setSensorClock(io, pacer, slave, local) == Outcome::CommunicationFailure)
        prompter.message(text("IDD_ComError"), talvex::Prompter::Icon::Stop);
}

std::string coefficientConfirmation(const sensor::CommitCode& code, double first, double second) {
    const std::string a(code.staged[0].name), b(code.staged[1].name);
    char buf[160];
    std::snprintf(buf, sizeof buf, "Set %s  = %.4f\r\n Set %s  = %.4f\r\n ", a.c_str(), first, b.c_str(),
                  second);
    return buf;
}

void runCoefficientPair(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                        std::uint16_t commitCode, std::string_view first, std::string_view second) {
    const sensor::CommitCode* code = sensor::findCommitCode(commitCode);
    if (!code || code->staged.size() != 2) return;
    const auto a = parseDecimal(code->staged[0].name, first);
    const auto b = a ? parseDecimal(code->staged[1].name, second) : Parsed<double>{};
    if (!a || !b) {
        prompter.message(a ? b.error : a.error, talvex::Prompter::Icon::Warning);
        return;
    }
    const std::vector<double> values = {*a, *b};
    const Staged staged = stageCommit(*code, values);
    if (!staged) {
        prompter.message(staged.error, talvex::Prompter::Icon::Warning);
        return;
    }
    if (!prompter.question(coefficientConfirmation(*code, *a, *b))) return;
    const ProcedureResult r = commitCoefficients(io, pacer, slave, *code, staged.writes);
    if (r.commitUnconfirmed) {
        prompter.message(commitNotConfirmedText(io, pacer, slave, *code), talvex::Prompter::Icon::Stop);
        return;
    }
    switch (r.outcome) {
        case Outcome::Done:
            prompter.message(text("IDS_WriteSuccess"));
            break;
        case Outcome::Refused:
            prompter.message(text("IDD_Message_SetFailed"));
            break;
        case Outcome::CommunicationFailure:
            prompter.message(text("IDD_ComError"), talvex::Prompter::Icon::Stop);
            break;
        case Outcome::Cancelled:
            break;
    }
}

Parsed<std::int64_t> parseEnergy(std::string_view textValue) {
    return parseInteger(text("IDS_Tab_Parameters_EnergyW"), textValue, 0, 100);
}

Parsed<std::int64_t> parseSendInterval(std::string_view textValue) {
    return parseInteger(text("IDS_Tab_Parameters_IntervalW"), textValue, 10, 2559);
}

std::optional<std::string> readEnergy(RegisterIo& io, Pacer& pacer, int slave) {
    std::uint16_t v = 0;
    if (readThenPause(io, pacer, slave, reg::kEnergy, 1, &v) != Outcome::Done) return std::nullopt;
    return std::to_string(v);
}

void writeEnergy(RegisterIo& io, int slave, std::int64_t percent) {
    io.writeSingle(slave, reg::kEnergy, static_cast<std::uint16_t>(percent & 0xFF));
}

std::optional<bool> energyConfirmed(RegisterIo& io, int slave, std::int64_t percent) {
    std::uint16_t v = 0;
    if (!rtuOk(io.readHolding(slave, reg::kEnergy, 1, &v))) return std::nullopt;
    return v == percent || v == percent - 1;
}

void writeSendInterval(RegisterIo& io, int slave, std::int64_t seconds) {
    io.writeSingle(slave, reg::kSendInterval, static_cast<std::uint16_t>(seconds / 10 & 0xFF));
}

std::optional<bool> sendIntervalTick(RegisterIo& io, Pacer& pacer, int slave, std::int64_t seconds) {
    writeSendInterval(io, slave, seconds);
    if (!pacer.pause(milliseconds(200))) return std::nullopt;
    std::uint16_t v = 0;
    if (!rtuOk(io.readHolding(slave, reg::kSendInterval, 1, &v))) return std::nullopt;
    return v == seconds / 10 * 10;
}

std::optional<int> parseSensorId(std::string_view textValue) {
    const auto v = parseInteger("", textValue, sensor::kMinSensorId, sensor::kMaxSensorId);
    if (!v) return std::nullopt;
    return static_cast<int>(*v);
}

void runChangeSensorId(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave, int newId) {
    const ProcedureResult r = operations::changeSensorId(io, pacer, slave, newId);
    if (r.outcome == Outcome::Cancelled) return;
    prompter.message(text(r.done() ? "IDD_Message_SetSucceed" : "IDD_Message_SetFailed"));
}

void runRestoreFactory(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave) {
    if (!prompter.question(text("IDS_Tab_Parameters_FactorySettings"))) return;
    const Outcome o = writeThenPause(io, pacer, slave, reg::kReset, sensor::kResetRestoreFactory);
    if (o == Outcome::Cancelled) return;
    prompter.message(
        text(o == Outcome::Done ? "IDS_Tab_Parameters_FactoryRestored" : "IDD_Message_SetFailed"));
}

}  // namespace talvex::device
