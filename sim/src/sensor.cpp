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

struct Range {
    std::uint16_t first;
    std::uint16_t last;
};

// Every register a sensor answers (reads); node blocks of a concentrator are checked separately.
constexpr Range kKnown[] = {{0, 14},    {19, 30},   {31, 60},   {71, 80},   {83, 84},   {89, 103},
                            {111, 111}, {121, 123}, {126, 133}, {141, 157}, {159, 166}, {169, 170},
                            {173, 174}, {179, 200}, {231, 250}, {253, 254}};

// Registers that take writes; the measurements, firmware text, stored count and status do not.
constexpr Range kWritable[] = {{9, 10},    {19, 30},   {31, 60},   {71, 80},   {83, 84},
                               {99, 101},  {121, 123}, {126, 133}, {141, 157}, {159, 160},
                               {169, 170}, {179, 200}, {231, 250}, {253, 254}};

bool inRanges(std::uint16_t address, const Range* ranges, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (address >= ranges[i].first && address <= ranges[i].last) return true;
    return false;
}

bool isNodeRegister(std::uint16_t address) {
    const unsigned k = address / 256;
    const unsigned offset = address % 256;
    return k >= 1 && k <= 16 && (offset <= 14 || offset == 111 || (offset >= 161 && offset <= 166));
}

std::uint16_t tempRaw(double celsius) {
    const double raw = std::round((celsius + 100.0) * 100.0);
    return static_cast<std::uint16_t>(std::clamp(raw, 0.0, 65535.0));
}

std::uint32_t ppm32(double ppm) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(ppm)));
}

namespace reg = sensor::reg;

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
    regs_[83] = 0x1201;
    regs_[84] = 0x2026;

    char buf[32];
    const std::string model(modelName(config.model));
    texts_[31] = "M-" + model.substr(std::min<std::size_t>(5, model.size()));
    std::snprintf(buf, sizeof buf, "D2026%05u", static_cast<unsigned>(seed % 1000 * 100 + config.id));
    texts_[41] = buf;
    std::snprintf(buf, sizeof buf, "C24%04u", static_cast<unsigned>(config.id * 37 % 10000));
    texts_[51] = buf;
    std::snprintf(buf, sizeof buf, "PCB-%03u", static_cast<unsigned>(config.id));
    texts_[71] = buf;
    texts_[89] = config.wireless ? "V3.1.4-W" : "V2.6.0";

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
    regs_[141] = 0;
    regs_[142] = 0;
    regs_[143] = static_cast<std::uint16_t>(upper >> 16);
    regs_[144] = static_cast<std::uint16_t>(upper & 0xFFFF);
    regs_[145] = 400;
    regs_[146] = 2000;
    regs_[147] = 300;
    regs_[148] = 350;
    regs_[151] = 0x1000;
    const std::uint32_t alarm1 = gas ? 5000 : 500;
    regs_[152] = static_cast<std::uint16_t>(alarm1 >> 16);
    regs_[153] = static_cast<std::uint16_t>(alarm1 & 0xFFFF);
    regs_[154] = 0;
    regs_[155] = 50;
    regs_[156] = 9000;
    regs_[157] = 60;
    options_ = {0x09, 0x01, 0x01, 0x00};
    if (!config_.pressureFitted) options_[0] = 0;
    if (!config_.moistureFitted) options_[1] = 0;
    commandReadBack_ = 0x0010;
    if (runMode_ != 1) setRunMode(1, now);
}

bool Sensor::knows(std::uint16_t address, bool concentrator) {
    if (address < 256) return inRanges(address, kKnown, std::size(kKnown));
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
        if (address >= 256) {
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
        case 0:
        case 2:
            return hi(ppm32(m.dissolved));
        case 1:
        case 3:
            return lo(ppm32(m.dissolved));
        case 4:
            return hi(ppm32(m.gas));
        case 5:
            return lo(ppm32(m.gas));
        case 6:
            return tempRaw(m.sensorTemperature * tempGain_ + tempOffset_);
        case 8:
            return tempRaw(m.oilTemperature);
        case 9:
            return m.energy;
        case 10:
            return static_cast<std::uint16_t>(sendIntervalTenths_ * 10);
        case 14:
            return static_cast<std::uint16_t>(
                static_cast<std::int16_t>(std::clamp(m.dailyRate, -32768, 32767)));
        case 7:
        case 11:
        case 12:
        case 13:
            return 0;
        case 111:
            return m.status;
        case sensor::history::kStoredCount:
            return hi(config_.historyRecords);
        case sensor::history::kStoredCount + 1:
            return lo(config_.historyRecords);
        case 150:
            return id_;
        case 160:
            return commandReadBack_;
        case 161:
            return floatLowFirst(static_cast<float>(m.pressure))[0];
        case 162:
            return floatLowFirst(static_cast<float>(m.pressure))[1];
        case 163:
            return floatLowFirst(static_cast<float>(m.moistureTemperature))[0];
        case 164:
            return floatLowFirst(static_cast<float>(m.moistureTemperature))[1];
        case 165:
            return floatLowFirst(static_cast<float>(m.moisture))[0];
        case 166:
            return floatLowFirst(static_cast<float>(m.moisture))[1];
        case 173:
        case 174: {
            // Platinum element, 100 ohm at 0 degC, in milliohms.
            const double ohms = 100.0 * (1.0 + 0.00385 * m.sensorTemperature);
            const auto milli =
                static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(ohms * 1000)));
            return address == 173 ? hi(milli) : lo(milli);
        }
        default:
            break;
    }
    if (address >= 130 && address <= 133) {
        const auto t = static_cast<std::time_t>(wallSeconds(now) + clockOffset_);
        std::tm tm{};
        localtime_r(&t, &tm);
        switch (address) {
            case 130:
                return static_cast<std::uint16_t>(toBcd(static_cast<unsigned>(tm.tm_mon + 1)) << 8 |
                                                  toBcd(static_cast<unsigned>(tm.tm_mday)));
            case 131:
                return toBcd(static_cast<unsigned>(tm.tm_year + 1900));
            case 132:
                return toBcd(static_cast<unsigned>(tm.tm_hour));
            default:
                return static_cast<std::uint16_t>(toBcd(static_cast<unsigned>(tm.tm_min)) << 8 |
                                                  toBcd(static_cast<unsigned>(tm.tm_sec)));
        }
    }
    for (const std::uint16_t first : kTextBlocks) {
        if (address >= first && address < first + 10) {
            const auto it = texts_.find(first);
            const auto regs =
                text20ReadLayout(it == texts_.end() ? std::string_view{} : std::string_view{it->second});
            return regs[address - first];
        }
    }
    if (address >= 191 && address <= 200) {
        const std::size_t k = address - 191u;
        return static_cast<std::uint16_t>(window_[2 * k] << 8 | window_[2 * k + 1]);
    }
    return reg(address);
}

std::uint16_t Sensor::readNode(std::uint16_t address, TimePoint now) {
    const unsigned k = address / 256u;
    const unsigned offset = address % 256u;
    // Each node has its own hydrogen curve: shift the time and scale by the node number.
    const double t = secondsSinceStart(now) + 977.0 * k;
    const double scale = 0.6 + 0.07 * k;
    const double h = std::max(0.0, hydrogenAt(t) * scale);
    const double oil = oilTemperatureAt(t + 311.0 * k);
    const auto v = ppm32(h);
    switch (offset) {
        case 0:
        case 2:
            return static_cast<std::uint16_t>(v >> 16);
        case 1:
        case 3:
            return static_cast<std::uint16_t>(v & 0xFFFF);
        case 4:
            return static_cast<std::uint16_t>(ppm32(h * 20) >> 16);
        case 5:
            return static_cast<std::uint16_t>(ppm32(h * 20) & 0xFFFF);
        case 6:
        case 8:
            return tempRaw(oil);
        case 9:
            return static_cast<std::uint16_t>(
                std::max(5.0, 98.0 - 4.0 * k - secondsSinceStart(now) / 86400.0));
        case 10:
            return 600;
        case 14:
            return static_cast<std::uint16_t>(
                static_cast<std::int16_t>(std::lround(h - std::max(0.0, hydrogenAt(t - 86400) * scale))));
        case 111: {
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
    if (request.function == 6 && request.address == sensor::history::kStart && request.values.size() == 1 &&
        request.values[0] == sensor::history::kStartCommand) {
        reply.stream = historyStream(now);
        reply.streamOnly = true;
        const std::size_t recordSize =
            config_.historyFormat == 2 ? sensor::history::kV2RecordSize : sensor::history::kV1RecordSize;
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
    if (address >= 130 && address <= 133) {
        // Replace one field of the sensor clock; the clock runs on from there.
        regs_[address] = value;
        const double nowWall = wallSeconds(now);
        auto t = static_cast<std::time_t>(nowWall + clockOffset_);
        std::tm tm{};
        localtime_r(&t, &tm);
        const int hiField = fromBcd(static_cast<std::uint16_t>(value >> 8));
        const int loField = fromBcd(static_cast<std::uint16_t>(value & 0xFF));
        const int whole = fromBcd(value);
        if (address == 130 && hiField >= 1 && hiField <= 12 && loField >= 1 && loField <= 31) {
            tm.tm_mon = hiField - 1;
            tm.tm_mday = loField;
        } else if (address == 131 && whole >= 1970) {
            tm.tm_year = whole - 1900;
        } else if (address == 132 && whole >= 0 && whole < 24) {
            tm.tm_hour = whole;
        } else if (address == 133 && hiField >= 0 && hiField < 60 && loField >= 0 && loField < 60) {
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
    if (code == 2549) {
        // Data date from registers 83 (MMDD) and 84 (YYYY).
        char buf[24];
        std::snprintf(buf, sizeof buf, "%04X-%02X-%02X", reg(84), reg(83) >> 8, reg(83) & 0xFF);
        return buf;
    }
    if (code == 2550) return signer_;
    const auto it = items_.find(code);
    return it == items_.end() ? std::string{} : it->second;
}

std::string Sensor::identityText(std::uint16_t firstRegister) const {
    const auto it = texts_.find(firstRegister);
    return it == texts_.end() ? std::string{} : it->second;
}

}  // namespace talvex::sim
