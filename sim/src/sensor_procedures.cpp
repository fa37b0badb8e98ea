// The sensor's side of the exchange procedures: commit register 253 (staged coefficients),
// text items and text commits through 254, command register 160 (option groups, run modes) and
// fine adjustment through 159, 169 and 170.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "talvex/sensor_registers.hpp"
#include "talvex/sim/codec.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {

namespace reg = sensor::reg;
using sensor::Encoding;

constexpr std::uint16_t kCoreBatchItem = sensor::item::kCoreBatch;

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

}  // namespace

void Sensor::commit(std::uint16_t code, TimePoint now) {
    // The register shows the code while the sensor works, then the acknowledgement (0: refused).
    regs_[reg::kCommit] = code;
    const sensor::CommitCode* entry = sensor::findCommitCode(code);
    // Values are taken as staged at the commit, not when the work ends. The data date (83-84) is
    // rendered from its registers whenever item 2549 is read.
    std::vector<std::pair<std::uint16_t, std::string>> rendered;
    if (entry) {
        for (const sensor::StagedValue& f : entry->staged) {
            if (f.item == 0 || f.encoding == Encoding::BcdDate) continue;
            std::uint16_t r[4] = {reg(f.firstRegister), reg(static_cast<std::uint16_t>(f.firstRegister + 1)),
                                  reg(static_cast<std::uint16_t>(f.firstRegister + 2)),
                                  reg(static_cast<std::uint16_t>(f.firstRegister + 3))};
            const auto v32 = static_cast<std::int32_t>(u32HighFirst(r[0], r[1]));
            if (f.encoding == Encoding::S64x1e9)
                rendered.emplace_back(f.item, renderScaled(s64HighFirst(r), 9));
            else if (f.item == kCoreBatchItem)  // a batch number: whole digits only
                rendered.emplace_back(f.item, std::to_string(v32 / 10000));
            else
                rendered.emplace_back(f.item, renderScaled(v32, f.encoding == Encoding::S32x1e3 ? 3 : 4));
        }
    }
    const std::uint16_t ack = entry ? entry->ack : 0;
    std::optional<std::pair<double, double>> tempPoint;  // (reading, actual) of a temperature calibration
    const bool temperaturePoint =
        code == sensor::commit::kTemperaturePoint1 || code == sensor::commit::kTemperaturePoint2;
    if (temperaturePoint) {
        std::uint16_t r[4];
        for (std::uint16_t k = 0; k < 4; ++k) r[k] = reg(static_cast<std::uint16_t>(reg::kStaging1 + k));
        tempPoint =
            std::make_pair(measure(now).sensorTemperature, static_cast<double>(s64HighFirst(r)) / 1e9);
    }
    later(now, timing_.processing, [this, ack, code, tempPoint, rendered = std::move(rendered)] {
        for (const auto& [item, text] : rendered) items_[item] = text;
        if (tempPoint)
            calibrateTemperature(code == sensor::commit::kTemperaturePoint1 ? 1 : 2, tempPoint->first,
                                 tempPoint->second);
        regs_[reg::kCommit] = ack;
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
        std::uint16_t r[sensor::kText20Registers];
        for (int k = 0; k < sensor::kText20Registers; ++k) r[k] = reg(static_cast<std::uint16_t>(first + k));
        return textFromWriteLayout(r);
    };
    if (const sensor::TextWrite* target = sensor::findTextWrite(code)) {
        const std::string text = staged(target->firstRegister);
        if (target->signer)
            signer_ = text;
        else
            texts_[target->firstRegister] = text;
    } else {
        const bool known = sensor::findTextItem(code) != nullptr;
        if (!known ||
            (code != sensor::item::kDataDate && code != sensor::item::kSigner && !items_.count(code))) {
            regs_[reg::kTextItem] = 0xFFFF;  // never ten times any code
            return;
        }
        fill(itemText(code));
    }
    regs_[reg::kTextItem] = sensor::itemAck(code);
}

void Sensor::command(std::uint16_t value, TimePoint now) {
    if (const auto it = std::find(ignoredCommands_.begin(), ignoredCommands_.end(), value);
        it != ignoredCommands_.end()) {
        ignoredCommands_.erase(it);
        return;
    }
    for (int group = 1; group <= sensor::kOptionGroups; ++group) {
        if (value == sensor::selectOptionGroup(group)) {
            commandReadBack_ = options_[static_cast<std::size_t>(group - 1)];
            return;
        }
    }
    for (const sensor::OptionCommand& o : sensor::kOptionCommands) {
        if (value != o.ifSet && value != o.ifClear) continue;
        const bool fitted = o.group == 1   ? config_.pressureFitted
                            : o.group == 2 ? config_.moistureFitted
                                           : true;
        if (const auto notFitted = sensor::notFittedReadBack(value); notFitted && !fitted) {
            commandReadBack_ = *notFitted;
            return;
        }
        auto& byte = options_[static_cast<std::size_t>(o.group - 1)];
        byte = static_cast<std::uint8_t>(value == o.ifSet ? byte | 1u << o.bit : byte & ~(1u << o.bit));
        commandReadBack_ = sensor::commandAck(value);
        return;
    }
    if (sensor::isRunMode(value)) {
        setRunMode(value, now);
        commandReadBack_ = sensor::commandAck(value);
        return;
    }
    commandReadBack_ = 0xFFFF;  // not a command: never an acknowledgement
}

void Sensor::fineAdjust(std::uint16_t address, std::uint16_t ppm, TimePoint now) {
    regs_[address] = ppm;
    const std::uint32_t upper =
        u32HighFirst(reg(reg::kRangeHigh), reg(static_cast<std::uint16_t>(reg::kRangeHigh + 1)));
    const bool refuse = config_.refuseCalibration || ppm == 0 || ppm > upper;
    later(now, timing_.processing,
          [this, address, refuse] { regs_[address] = refuse ? sensor::kFineAdjustRefused : address; });
}

}  // namespace talvex::sim
