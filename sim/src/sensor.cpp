// Register map of a simulated sensor: which addresses exist, reads and plain writes. The exchanges
// behind the command registers live in sensor_procedures.cpp and sensor_calibration.cpp.
#include "talvex/sim/sensor.hpp"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "talvex/history_registers.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/codec.hpp"

namespace talvex::sim {

namespace {

namespace reg = sensor::reg;
namespace history = sensor::history;

struct Range {
    std::uint16_t first;
    std::uint16_t last;
};

constexpr Range block(std::uint16_t first, int count) {
    return {first, static_cast<std::uint16_t>(first + count - 1)};
}

constexpr Range kMeasurements = block(reg::kMeasurementBlock, reg::kMeasurementCount);
constexpr Range kPressureBlock = block(reg::kPressureBlock, reg::kPressureBlockCount);

// Every register a sensor answers (reads); node blocks of a concentrator are checked separately.
constexpr Range kKnown[] = {
    kMeasurements,
    block(reg::kStaging1, reg::kStaging1Count),
    block(reg::kProductModel, sensor::kText20Registers),
    block(reg::kProductNumber, sensor::kText20Registers),
    block(reg::kCoreNumber, sensor::kText20Registers),
    block(reg::kBoardNumber, sensor::kText20Registers),
    {reg::kDataDate, reg::kDataDateYear},
    block(reg::kFirmware, sensor::kText20Registers),
    {history::kRequestedCountHigh, history::kStart},
    block(history::kStoredCount, history::kStoredCountRegisters),
    block(reg::kStatus, reg::kStatusCount),
    {reg::kCalibration1, reg::kReset},
    {reg::kCalReferenceHigh, reg::kCalDateYear},
    {reg::kClockMonthDay, reg::kClockMinuteSecond},
    {reg::kRangeLow, history::kStorageInterval},  // range, analog outputs, ID, mode, alarms, interval
    {reg::kFineAdjust110, reg::kCommand},
    kPressureBlock,
    {reg::kFineAdjust50, reg::kFineAdjust90},
    block(reg::kElementResistance, 2),
    block(reg::kStaging2, reg::kStaging2Count),
    block(reg::kTextWindow, sensor::kText20Registers),
    block(reg::kStaging3, reg::kStaging3Count),
    {reg::kCommit, reg::kTextItem},
};

// Registers that take writes; the measurements, firmware text, stored count and status do not.
constexpr Range kWritable[] = {
    {reg::kEnergy, reg::kSendInterval},
    block(reg::kStaging1, reg::kStaging1Count),
    block(reg::kProductModel, sensor::kText20Registers),
    block(reg::kProductNumber, sensor::kText20Registers),
    block(reg::kCoreNumber, sensor::kText20Registers),
    block(reg::kBoardNumber, sensor::kText20Registers),
    {reg::kDataDate, reg::kDataDateYear},
    {history::kRequestedCountHigh, history::kStart},
    {reg::kCalibration1, reg::kReset},
    {reg::kCalReferenceHigh, reg::kCalDateYear},
    {reg::kClockMonthDay, reg::kClockMinuteSecond},
    {reg::kRangeLow, history::kStorageInterval},
    {reg::kFineAdjust110, reg::kCommand},
    {reg::kFineAdjust50, reg::kFineAdjust90},
    block(reg::kStaging2, reg::kStaging2Count),
    block(reg::kTextWindow, sensor::kText20Registers),
    block(reg::kStaging3, reg::kStaging3Count),
    {reg::kCommit, reg::kTextItem},
};

bool inRange(std::uint16_t address, Range r) {
    return address >= r.first && address <= r.last;
}

bool inRanges(std::uint16_t address, const Range* ranges, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (address >= ranges[i].first && address <= ranges[i].last) return true;
    return false;
}

bool isNodeRegister(std::uint16_t address) {
    const int k = address / reg::kNodeStride;
    const auto offset = static_cast<std::uint16_t>(address % reg::kNodeStride);
    return k >= 1 && k <= reg::kConcentratorNodes &&
           (inRange(offset, kMeasurements) || offset == reg::kStatus || inRange(offset, kPressureBlock));
}

std::uint16_t tempRaw(double celsius) {
    const double raw = std::round((celsius + 100.0) * 100.0);
    return static_cast<std::uint16_t>(std::clamp(raw, 0.0, 65535.0));
}

std::uint32_t ppm32(double ppm) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(ppm)));
}

constexpr std::uint16_t kTextBlocks[] = {reg::kProductModel, reg::kProductNumber, reg::kCoreNumber,
                                         reg::kBoardNumber, reg::kFirmware};

bool isGasPhase(SensorModel model) {
    return isGasPhaseModel(model);
}

}  // namespace

SensorConfig defaultSensorConfig(std::uint8_t id, SensorModel model) {
    SensorConfig c;
    c.id = id;
    c.model = model;
    c.wireless = model == SensorModel::KF;
    return c;
}

Sensor::Sensor(const SensorConfig& config, const Timing& timing, std::uint64_t seed, TimePoint now)
    : config_(config), timing_(timing), seed_(seed), start_(now), id_(config.id) {
    wallStart_ = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    runModeSince_ = now;

    // Physics drawn from the seed and the ID, so each sensor of a bus differs and runs repeat.
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + config.id * 0xBF58476D1CE4E5B9ull + 1;
    auto next = [&x] {
        x ^= x >> 30;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBull;
        x ^= x >> 31;
        return static_cast<double>(x >> 11) / 9007199254740992.0;
    };
    const bool gas = isGasPhase(config.model);
    physics_.base = gas ? 200 + 600 * next() : 20 + 80 * next();
    physics_.drift = -2 + 6 * next();
    physics_.phase1 = 6.283 * next();
    physics_.phase2 = 6.283 * next();
    physics_.oilBase = 38 + 15 * next();
    physics_.oilPhase = 6.283 * next();
    sensorTempAtModeChange_ = 70;

    resetSettings(now);
    regs_[reg::kDataDate] = 0x1201;
    regs_[reg::kDataDateYear] = 0x2026;

    char buf[32];
    const std::string model(modelName(config.model));
    texts_[reg::kProductModel] = "M-" + model.substr(std::min<std::size_t>(5, model.size()));
    std::snprintf(buf, sizeof buf, "D2026%05u", static_cast<unsigned>(seed % 1000 * 100 + config.id));
    texts_[reg::kProductNumber] = buf;
    std::snprintf(buf, sizeof buf, "C24%04u", static_cast<unsigned>(config.id * 37 % 10000));
    texts_[reg::kCoreNumber] = buf;
    std::snprintf(buf, sizeof buf, "PCB-%03u", static_cast<unsigned>(config.id));
    texts_[reg::kBoardNumber] = buf;
    texts_[reg::kFirmware] = config.wireless ? "V3.1.4-W" : "V2.6.0";

    // Coefficients as a fresh sensor renders them. Each fits the encoding the program writes it
    // with, so an export of this sensor imports back whole: the core batch (s32 x 10^4, at most
    // 214748) is a year and month.
    const std::pair<std::uint16_t, const char*> defaults[] = {
        {2551, "0.000"},    {2552, "0.0"},     {2553, "1.0"},      {2554, "0.0"},      {2555, "100.000"},
        {2556, "0.0"},      {2557, "1.0"},     {2558, "0.0"},      {2559, "1000.000"}, {2560, "0.0"},
        {2561, "1.0"},      {2562, "0.0"},     {2563, "5000.000"}, {2564, "0.0"},      {2565, "2000.0"},
        {2566, "0.0"},      {2567, "1.0"},     {2568, "0.0"},      {2569, "1.0"},      {2570, "0.0"},
        {2576, "1.0"},      {2577, "0.0"},     {2578, "1.0"},      {2579, "0.0"},      {2580, "0.0000"},
        {2581, "0.0000"},   {2582, "0.0000"},  {2583, "0.0000"},   {2584, "0.0000"},   {2585, "0.0000"},
        {2586, "0.0000"},   {2587, "2401"},    {2588, "100.0000"}, {2589, "110.0000"}, {2590, "120.0000"},
        {2591, "130.0000"}, {2592, "95.0000"}, {2593, "1.0000"},   {2594, "0.0000"},   {2595, "1.0000"},
        {2596, "0.0000"},   {2597, "1.0000"},  {2598, "0.0000"},   {2599, "0.0"},      {2600, "1.0"},
        {2601, "107.79"},   {2602, "101.325"}, {2603, "0.5"},      {2604, "0.05"},     {2605, "0.0"},
        {2606, "1.0"},      {2607, "0.0"},     {2608, "0.0"}};
    for (const auto& [code, text] : defaults) items_[code] = text;
}

void Sensor::resetSettings(TimePoint now) {
    const bool gas = isGasPhase(config_.model);
    const std::uint32_t upper = gas ? 20000 : 2000;
    regs_[reg::kRangeLow] = 0;
    regs_[reg::kRangeLow + 1] = 0;
    regs_[reg::kRangeHigh] = static_cast<std::uint16_t>(upper >> 16);
    regs_[reg::kRangeHigh + 1] = static_cast<std::uint16_t>(upper & 0xFFFF);
    regs_[reg::kAnalogLow] = 400;
    regs_[reg::kAnalogHigh] = 2000;
    regs_[reg::kAnalogError] = 300;
    regs_[reg::kAnalogReady] = 350;
    regs_[reg::kOperationMode] = sensor::kFieldMode;
    const std::uint32_t alarm1 = gas ? 5000 : 500;
    regs_[reg::kAlarmHydrogen] = static_cast<std::uint16_t>(alarm1 >> 16);
    regs_[reg::kAlarmHydrogen + 1] = static_cast<std::uint16_t>(alarm1 & 0xFFFF);
    regs_[reg::kAlarmRate] = 0;
    regs_[reg::kAlarmRate + 1] = 50;
    regs_[reg::kAlarmOilTemperature] = 9000;
    regs_[history::kStorageInterval] = 60;
    options_ = {0x09, 0x01, 0x01, 0x00};
    if (!config_.pressureFitted) options_[0] = 0;
    if (!config_.moistureFitted) options_[1] = 0;
    commandReadBack_ = 0x0010;
    if (runMode_ != sensor::runmode::kUser) setRunMode(sensor::runmode::kUser, now);
}

bool Sensor::knows(std::uint16_t address, bool concentrator) {
    if (address < reg::kNodeStride) return inRanges(address, kKnown, std::size(kKnown));
    return concentrator && isNodeRegister(address);
}

bool Sensor::writable(std::uint16_t address) {
    return inRanges(address, kWritable, std::size(kWritable));
}

void Sensor::setNotFitted(bool pressure, bool moisture) {
    config_.pressureFitted = !pressure;
    config_.moistureFitted = !moisture;
    if (pressure) options_[0] &= 0xFE;
    if (moisture) options_[1] &= 0xFE;
}

void Sensor::later(TimePoint now, Millis delay, std::function<void()> apply) {
    if (delay.count() <= 0) {
        apply();
        return;
    }
    pending_.push_back(Pending{now + delay, std::move(apply)});
}

void Sensor::settle(TimePoint now) {
    // Apply due work in the order it was scheduled; applying may schedule more.
    for (;;) {
        auto it =
            std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.due <= now; });
        if (it == pending_.end()) return;
        auto apply = std::move(it->apply);
        pending_.erase(it);
        apply();
    }
}

std::uint16_t Sensor::reg(std::uint16_t address) const {
    const auto it = regs_.find(address);
    return it == regs_.end() ? 0 : it->second;
}

Reply Sensor::read(std::uint16_t start, std::uint16_t count, TimePoint now) {
    Reply reply;
    for (unsigned a = start; a < static_cast<unsigned>(start) + count; ++a) {
        if (a > 0xFFFF || !knows(static_cast<std::uint16_t>(a), config_.concentrator)) {
            reply.exception = kIllegalAddress;
            return reply;
        }
    }
    settle(now);
    std::optional<Measurement> m;
    reply.registers.reserve(count);
    for (unsigned a = start; a < static_cast<unsigned>(start) + count; ++a) {
        const auto address = static_cast<std::uint16_t>(a);
        if (const auto it = pokes_.find(address); it != pokes_.end()) {
            reply.registers.push_back(it->second);
            continue;
        }
        if (address >= reg::kNodeStride) {
            reply.registers.push_back(readNode(address, now));
            continue;
        }
        if (!m) m = measure(now);
        reply.registers.push_back(readOne(address, *m, now));
    }
    return reply;
}

std::uint16_t Sensor::readOne(std::uint16_t address, const Measurement& m, TimePoint now) {
    const auto hi = [](std::uint32_t v) { return static_cast<std::uint16_t>(v >> 16); };
    const auto lo = [](std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); };
    switch (address) {
        case reg::kHydrogenInOilReading:
        case reg::kHydrogenInOil:
            return hi(ppm32(m.dissolved));
        case reg::kHydrogenInOilReading + 1:
        case reg::kHydrogenInOil + 1:
            return lo(ppm32(m.dissolved));
        case reg::kHydrogenGasPhase:
            return hi(ppm32(m.gas));
        case reg::kHydrogenGasPhase + 1:
            return lo(ppm32(m.gas));
        case reg::kSensorTemperature:
            return tempRaw(m.sensorTemperature * tempGain_ + tempOffset_);
        case reg::kOilTemperature:
            return tempRaw(m.oilTemperature);
        case reg::kEnergy:
            return m.energy;
        case reg::kSendInterval:
            return static_cast<std::uint16_t>(sendIntervalTenths_ * 10);
        case reg::kDailyRate:
            return static_cast<std::uint16_t>(
                static_cast<std::int16_t>(std::clamp(m.dailyRate, -32768, 32767)));
        case reg::kStatus:
            return m.status;
        case history::kStoredCount:
            return hi(config_.historyRecords);
        case history::kStoredCount + 1:
            return lo(config_.historyRecords);
        case reg::kSensorId:
            return id_;
        case reg::kCommand:
            return commandReadBack_;
        case reg::kPressure:
            return floatLowFirst(static_cast<float>(m.pressure))[0];
        case reg::kPressure + 1:
            return floatLowFirst(static_cast<float>(m.pressure))[1];
        case reg::kMoistureTemperature:
            return floatLowFirst(static_cast<float>(m.moistureTemperature))[0];
        case reg::kMoistureTemperature + 1:
            return floatLowFirst(static_cast<float>(m.moistureTemperature))[1];
        case reg::kMoisture:
            return floatLowFirst(static_cast<float>(m.moisture))[0];
        case reg::kMoisture + 1:
            return floatLowFirst(static_cast<float>(m.moisture))[1];
        case reg::kElementResistance:
        case reg::kElementResistance + 1: {
            // Platinum element, 100 ohm at 0 degC, in milliohms.
            const double ohms = 100.0 * (1.0 + 0.00385 * m.sensorTemperature);
            const auto milli =
                static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(ohms * 1000)));
            return address == reg::kElementResistance ? hi(milli) : lo(milli);
        }
        default:
            break;
    }
    if (inRange(address, kMeasurements)) return 0;  // the block's spare registers
    if (address >= reg::kClockMonthDay && address <= reg::kClockMinuteSecond) {
        const auto t = static_cast<std::time_t>(wallSeconds(now) + clockOffset_);
        std::tm tm{};
        localtime_r(&t, &tm);
        switch (address) {
            case reg::kClockMonthDay:
                return static_cast<std::uint16_t>(toBcd(static_cast<unsigned>(tm.tm_mon + 1)) << 8 |
                                                  toBcd(static_cast<unsigned>(tm.tm_mday)));
            case reg::kClockYear:
                return toBcd(static_cast<unsigned>(tm.tm_year + 1900));
            case reg::kClockHour:
                return toBcd(static_cast<unsigned>(tm.tm_hour));
            default:
                return static_cast<std::uint16_t>(toBcd(static_cast<unsigned>(tm.tm_min)) << 8 |
                                                  toBcd(static_cast<unsigned>(tm.tm_sec)));
        }
    }
    for (const std::uint16_t first : kTextBlocks) {
        if (address >= first && address < first + sensor::kText20Registers) {
            const auto it = texts_.find(first);
            const auto regs =
                text20ReadLayout(it == texts_.end() ? std::string_view{} : std::string_view{it->second});
            return regs[address - first];
        }
    }
    if (address >= reg::kTextWindow && address < reg::kTextWindow + sensor::kText20Registers) {
        const std::size_t k = address - reg::kTextWindow;
        return static_cast<std::uint16_t>(window_[2 * k] << 8 | window_[2 * k + 1]);
    }
    return reg(address);
}

std::uint16_t Sensor::readNode(std::uint16_t address, TimePoint now) {
    const unsigned k = address / reg::kNodeStride;
    const auto offset = static_cast<std::uint16_t>(address % reg::kNodeStride);
    // Each node has its own hydrogen curve: shift the time and scale by the node number.
    const double t = secondsSinceStart(now) + 977.0 * k;
    const double scale = 0.6 + 0.07 * k;
    const double h = std::max(0.0, hydrogenAt(t) * scale);
    const double oil = oilTemperatureAt(t + 311.0 * k);
    const auto v = ppm32(h);
    switch (offset) {
        case reg::kHydrogenInOilReading:
        case reg::kHydrogenInOil:
            return static_cast<std::uint16_t>(v >> 16);
        case reg::kHydrogenInOilReading + 1:
        case reg::kHydrogenInOil + 1:
            return static_cast<std::uint16_t>(v & 0xFFFF);
        case reg::kHydrogenGasPhase:
            return static_cast<std::uint16_t>(ppm32(h * 20) >> 16);
        case reg::kHydrogenGasPhase + 1:
            return static_cast<std::uint16_t>(ppm32(h * 20) & 0xFFFF);
        case reg::kSensorTemperature:
        case reg::kOilTemperature:
            return tempRaw(oil);
        case reg::kEnergy:
            return static_cast<std::uint16_t>(
                std::max(5.0, 98.0 - 4.0 * k - secondsSinceStart(now) / 86400.0));
        case reg::kSendInterval:
            return 600;
        case reg::kDailyRate:
            return static_cast<std::uint16_t>(
                static_cast<std::int16_t>(std::lround(h - std::max(0.0, hydrogenAt(t - 86400) * scale))));
        case reg::kStatus: {
            const auto cycle = std::max<std::int64_t>(1, timing_.measureCycle.count());
            const auto phase = (std::chrono::duration_cast<Millis>(now - start_).count() + 1000 * k) % cycle;
            return phase * 3 < cycle * 2 ? 0x0201 : 0x0202;
        }
        default:
            return 0;  // no pressure or moisture on wireless nodes
    }
}

Reply Sensor::write(const Request& request, TimePoint now) {
    Reply reply;
    for (std::size_t i = 0; i < request.values.size(); ++i) {
        const auto address = static_cast<unsigned>(request.address) + i;
        if (address > 0xFFFF || !writable(static_cast<std::uint16_t>(address))) {
            reply.exception = kIllegalAddress;
            return reply;
        }
    }
    settle(now);
    logWrite(request, now);
    for (std::size_t i = 0; i < request.values.size(); ++i)
        writeOne(static_cast<std::uint16_t>(request.address + i), request.values[i], now);
    // History start: the sensor answers with its records instead of an echo.
    if (request.function == 6 && request.address == history::kStart && request.values.size() == 1 &&
        request.values[0] == history::kStartCommand) {
        reply.stream = historyStream(now);
        reply.streamOnly = true;
        const std::size_t recordSize =
            config_.historyFormat == 2 ? history::kV2RecordSize : history::kV1RecordSize;
        if (config_.historyPauseAfter > 0 && config_.historyPause.count() > 0) {
            reply.pauseAt =
                std::min<std::size_t>(reply.stream.size(), config_.historyPauseAfter * recordSize);
            reply.pause = config_.historyPause;
        }
    }
    return reply;
}

void Sensor::writeOne(std::uint16_t address, std::uint16_t value, TimePoint now) {
    switch (address) {
        case reg::kEnergy: {
            const auto energy = static_cast<std::uint8_t>(value & 0xFF);
            later(now, config_.wireless ? timing_.wirelessApply : Millis{0},
                  [this, energy] { energy_ = energy; });
            return;
        }
        case reg::kSendInterval: {
            const auto tenths = static_cast<std::uint16_t>(value & 0xFF);
            later(now, config_.wireless ? timing_.wirelessApply : Millis{0},
                  [this, tenths] { sendIntervalTenths_ = tenths; });
            return;
        }
        case reg::kSensorId:
            id_ = static_cast<std::uint8_t>(value);
            return;
        case reg::kCommand:
            command(value, now);
            return;
        case reg::kCommit:
            commit(value, now);
            return;
        case reg::kTextItem:
            textCommand(value, now);
            return;
        case reg::kFineAdjust110:
        case reg::kFineAdjust50:
        case reg::kFineAdjust90:
            fineAdjust(address, value, now);
            return;
        case reg::kCalibration1:
        case reg::kCalibration2:
        case reg::kReset:
        case reg::kCalReferenceHigh:
        case reg::kCalReferenceLow:
        case reg::kCalDateMonthDay:
        case reg::kCalDateYear:
            calibrationWrite(address, value, now);
            return;
        default:
            break;
    }
    if (address >= reg::kClockMonthDay && address <= reg::kClockMinuteSecond) {
        // Replace one field of the sensor clock; the clock runs on from there.
        regs_[address] = value;
        const double nowWall = wallSeconds(now);
        auto t = static_cast<std::time_t>(nowWall + clockOffset_);
        std::tm tm{};
        localtime_r(&t, &tm);
        const int hiField = fromBcd(static_cast<std::uint16_t>(value >> 8));
        const int loField = fromBcd(static_cast<std::uint16_t>(value & 0xFF));
        const int whole = fromBcd(value);
        if (address == reg::kClockMonthDay && hiField >= 1 && hiField <= 12 && loField >= 1 &&
            loField <= 31) {
            tm.tm_mon = hiField - 1;
            tm.tm_mday = loField;
        } else if (address == reg::kClockYear && whole >= 1970) {
            tm.tm_year = whole - 1900;
        } else if (address == reg::kClockHour && whole >= 0 && whole < 24) {
            tm.tm_hour = whole;
        } else if (address == reg::kClockMinuteSecond && hiField >= 0 && hiField < 60 && loField >= 0 &&
                   loField < 60) {
            tm.tm_min = hiField;
            tm.tm_sec = loField;
        } else {
            return;  // an invalid field leaves the clock as it was
        }
        tm.tm_isdst = -1;
        const std::time_t set = std::mktime(&tm);
        if (set != static_cast<std::time_t>(-1))
            clockOffset_ = static_cast<double>(set) - std::floor(nowWall);
        return;
    }
    regs_[address] = value;
}

std::string Sensor::itemText(std::uint16_t code) const {
    if (code == sensor::item::kDataDate) {
        // Data date from its registers (MMDD, then YYYY).
        char buf[24];
        std::snprintf(buf, sizeof buf, "%04X-%02X-%02X", reg(reg::kDataDateYear), reg(reg::kDataDate) >> 8,
                      reg(reg::kDataDate) & 0xFF);
        return buf;
    }
    if (code == sensor::item::kSigner) return signer_;
    const auto it = items_.find(code);
    return it == items_.end() ? std::string{} : it->second;
}

std::string Sensor::identityText(std::uint16_t firstRegister) const {
    const auto it = texts_.find(firstRegister);
    return it == texts_.end() ? std::string{} : it->second;
}

}  // namespace talvex::sim
