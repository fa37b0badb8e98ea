// The sensor's side of the exchange procedures: commit register 253 (staged coefficients),
// text items and text commits through 254, command register 160 (option groups, run modes) and
// fine adjustment through 159, 169 and 170.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "talvex/sim/codec.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {

enum class Kind { S64e9, S32e4, S32e3, Batch };

struct Field {
    std::uint16_t reg;
    Kind kind;
    std::uint16_t item;  // text item rendered from the value; 0 for none
};

struct CommitSpec {
    std::uint16_t code;
    std::uint16_t ack;
    std::vector<Field> fields;
};

std::vector<Field> s64(std::initializer_list<std::pair<std::uint16_t, std::uint16_t>> list) {
    std::vector<Field> f;
    for (const auto& [reg, item] : list) f.push_back({reg, Kind::S64e9, item});
    return f;
}

std::vector<Field> s32(std::initializer_list<std::pair<std::uint16_t, std::uint16_t>> list,
                       Kind kind = Kind::S32e4) {
    std::vector<Field> f;
    for (const auto& [reg, item] : list) f.push_back({reg, kind, item});
    return f;
}

const std::vector<CommitSpec>& commitTable() {
    static const std::vector<CommitSpec> table = [] {
        std::vector<CommitSpec> t;
        t.push_back({17, 153, s64({{19, 2566}, {23, 2567}, {27, 2568}})});
        t.push_back({34, 136, s64({{19, 2578}, {23, 2579}})});
        t.push_back({51, 119, s64({{19, 2576}, {23, 2577}})});
        t.push_back({68, 102, s64({{19, 0}})});
        t.push_back({85, 102, s64({{19, 0}})});
        t.push_back({1001, 9001, s32({{19, 2583}, {21, 2584}, {23, 2585}, {25, 2586}})});
        auto f1002 = s32({{21, 2588},
                          {23, 2589},
                          {25, 2590},
                          {27, 2591},
                          {29, 2592},
                          {179, 2593},
                          {181, 2594},
                          {183, 2595},
                          {185, 2596},
                          {187, 2597},
                          {189, 2598}});
        f1002.insert(f1002.begin(), Field{19, Kind::Batch, 2587});
        t.push_back({1002, 9002, f1002});
        auto f1003 = s64({{19, 2552},
                          {23, 2553},
                          {27, 2554},
                          {179, 2556},
                          {183, 2557},
                          {187, 2558},
                          {231, 2560},
                          {235, 2561},
                          {239, 2562}});
        for (const auto& f : s32({{243, 2551}, {245, 2555}, {247, 2559}, {249, 2563}}, Kind::S32e3))
            f1003.push_back(f);
        t.push_back({1003, 9003, f1003});
        t.push_back({1004, 9004, s32({{19, 2580}, {21, 2581}, {23, 2582}})});
        t.push_back({1005, 9005, s64({{19, 2569}, {23, 2570}})});
        t.push_back({1006, 9006, s64({{19, 2599}, {23, 2600}, {27, 2608}})});
        t.push_back({1007, 9007, s64({{19, 2564}, {23, 2565}})});
        t.push_back({1008, 9008, s64({{19, 2601}})});
        t.push_back({1009, 9009, s64({{19, 2602}, {23, 2603}})});
        t.push_back({1010, 9010, s64({{19, 2604}, {23, 2605}})});
        t.push_back({1011, 9011, s64({{19, 2606}, {23, 2607}})});
        return t;
    }();
    return table;
}

// Decimal text of value / 10^decimals without trailing zeros (one decimal kept), within 20 bytes.
std::string renderScaled(std::int64_t value, int decimals) {
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const bool negative = value < 0;
    const auto magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const auto whole = magnitude / static_cast<std::uint64_t>(scale);
    auto frac = magnitude % static_cast<std::uint64_t>(scale);
    std::string fracText;
    for (int i = 0; i < decimals; ++i) {
        fracText.insert(fracText.begin(), static_cast<char>('0' + frac % 10));
        frac /= 10;
    }
    while (fracText.size() > 1 && fracText.back() == '0') fracText.pop_back();
    std::string text = (negative ? "-" : "") + std::to_string(whole) + (decimals > 0 ? "." + fracText : "");
    if (text.size() > 20) text.resize(20);
    return text;
}

bool isRunMode(std::uint16_t v) {
    switch (v) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 7:
        case 9:
        case 0x11:
        case 0x10:
        case 0x20:
        case 0x30:
        case 0x40:
        case 0x60:
        case 0x80:
            return true;
        default:
            return false;
    }
}

}  // namespace

void Sensor::commit(std::uint16_t code, TimePoint now) {
    // The register shows the code while the sensor works, then the acknowledgement (0: refused).
    regs_[253] = code;
    const CommitSpec* entry = nullptr;
    for (const auto& s : commitTable())
        if (s.code == code) entry = &s;
    // Values are taken as staged at the commit, not when the work ends.
    std::vector<std::pair<std::uint16_t, std::string>> rendered;
    if (entry) {
        for (const auto& f : entry->fields) {
            if (f.item == 0) continue;
            std::uint16_t r[4] = {reg(f.reg), reg(static_cast<std::uint16_t>(f.reg + 1)),
                                  reg(static_cast<std::uint16_t>(f.reg + 2)),
                                  reg(static_cast<std::uint16_t>(f.reg + 3))};
            const auto v32 = static_cast<std::int32_t>(u32HighFirst(r[0], r[1]));
            switch (f.kind) {
                case Kind::S64e9:
                    rendered.emplace_back(f.item, renderScaled(s64HighFirst(r), 9));
                    break;
                case Kind::S32e4:
                    rendered.emplace_back(f.item, renderScaled(v32, 4));
                    break;
                case Kind::S32e3:
                    rendered.emplace_back(f.item, renderScaled(v32, 3));
                    break;
                case Kind::Batch:
                    rendered.emplace_back(f.item, std::to_string(v32 / 10000));
                    break;
            }
        }
    }
    const std::uint16_t ack = entry ? entry->ack : 0;
    std::optional<std::pair<double, double>> tempPoint;  // (reading, actual) of a temperature calibration
    if (code == 68 || code == 85) {
        const std::uint16_t r[4] = {reg(19), reg(20), reg(21), reg(22)};
        tempPoint =
            std::make_pair(measure(now).sensorTemperature, static_cast<double>(s64HighFirst(r)) / 1e9);
    }
    later(now, timing_.processing, [this, ack, code, tempPoint, rendered = std::move(rendered)] {
        for (const auto& [item, text] : rendered) items_[item] = text;
        if (tempPoint) calibrateTemperature(code == 68 ? 1 : 2, tempPoint->first, tempPoint->second);
        regs_[253] = ack;
    });
}

// Two-point temperature calibration: the first point sets the offset, the second the slope
// through both points; register 6 then reads the corrected temperature.
void Sensor::calibrateTemperature(int point, double reading, double actual) {
    if (point == 1 || !tempPoint1_) {
        tempPoint1_ = std::make_pair(reading, actual);
        tempGain_ = 1.0;
        tempOffset_ = actual - reading;
        return;
    }
    const auto [r1, a1] = *tempPoint1_;
    if (std::abs(reading - r1) < 1.0) return;  // points too close for a slope: keep the offset
    tempGain_ = (actual - a1) / (reading - r1);
    tempOffset_ = a1 - tempGain_ * r1;
}

void Sensor::textCommand(std::uint16_t code, TimePoint now) {
    (void)now;
    window_.fill(0);
    const auto fill = [this](const std::string& text) {
        for (std::size_t i = 0; i < text.size() && i < window_.size(); ++i)
            window_[i] = static_cast<std::uint8_t>(text[i]);
    };
    const auto staged = [this](std::uint16_t first) {
        std::uint16_t r[10];
        for (int k = 0; k < 10; ++k) r[k] = reg(static_cast<std::uint16_t>(first + k));
        return textFromWriteLayout(r);
    };
    switch (code) {
        case 2571:
            signer_ = staged(191);
            break;
        case 2572:
            texts_[31] = staged(31);
            break;
        case 2573:
            texts_[41] = staged(41);
            break;
        case 2574:
            texts_[51] = staged(51);
            break;
        case 2575:
            texts_[71] = staged(71);
            break;
        default:
            if (code < 2549 || code > 2608 || (code != 2549 && code != 2550 && !items_.count(code))) {
                regs_[254] = 0xFFFF;  // never ten times any code
                return;
            }
            fill(itemText(code));
            break;
    }
    regs_[254] = static_cast<std::uint16_t>(code * 10u);
}

void Sensor::command(std::uint16_t value, TimePoint now) {
    const unsigned group = value >> 8;
    const unsigned n = value & 0xFF;
    if (group >= 1 && group <= 4 && n == 0) {
        commandReadBack_ = options_[group - 1];
        return;
    }
    const unsigned maxOption[] = {0, 8, 6, 4, 9};
    if (group >= 1 && group <= 4 && (n <= maxOption[group] || (group == 4 && n == 0x10))) {
        if (value == 0x0101 && !config_.pressureFitted) {
            commandReadBack_ = 0x1000;
            return;
        }
        if (value == 0x0201 && !config_.moistureFitted) {
            commandReadBack_ = 0x2000;
            return;
        }
        // Odd options set a bit, even ones clear it; 0x0409/0x0410 are the pair of bit 4.
        const unsigned bit = n == 0x10 ? 4 : (n - 1) / 2;
        const bool set = n == 0x10 ? false : (n % 2) == 1;
        auto& byte = options_[group - 1];
        byte = static_cast<std::uint8_t>(set ? byte | 1u << bit : byte & ~(1u << bit));
        commandReadBack_ = static_cast<std::uint16_t>(value << 4);
        return;
    }
    if (isRunMode(value)) {
        setRunMode(value, now);
        commandReadBack_ = static_cast<std::uint16_t>(value << 4);
        return;
    }
    commandReadBack_ = 0xFFFF;  // not a command: never an acknowledgement
}

void Sensor::fineAdjust(std::uint16_t address, std::uint16_t ppm, TimePoint now) {
    regs_[address] = ppm;
    const std::uint32_t upper = u32HighFirst(reg(143), reg(144));
    const bool refuse = config_.refuseCalibration || ppm == 0 || ppm > upper;
    later(now, timing_.processing, [this, address, refuse] { regs_[address] = refuse ? 404 : address; });
}

}  // namespace talvex::sim
