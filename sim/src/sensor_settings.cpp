// A sensor's settings as "key=value" lines, so a simulated sensor keeps what it was told between
// runs: settings registers, ID, texts, coefficients, options and calibration.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "talvex/history_registers.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {

namespace reg = sensor::reg;

// Settings registers kept: range, analog outputs, operation mode, thresholds, storage interval,
// data date and the fine-adjustment results. The order is the order of the lines in the file.
constexpr std::uint16_t kKeptRegisters[] = {reg::kDataDate,
                                            reg::kDataDateYear,
                                            reg::kRangeLow,
                                            reg::kRangeLow + 1,
                                            reg::kRangeHigh,
                                            reg::kRangeHigh + 1,
                                            reg::kAnalogLow,
                                            reg::kAnalogHigh,
                                            reg::kAnalogError,
                                            reg::kAnalogReady,
                                            reg::kOperationMode,
                                            reg::kAlarmHydrogen,
                                            reg::kAlarmHydrogen + 1,
                                            reg::kAlarmRate,
                                            reg::kAlarmRate + 1,
                                            reg::kAlarmOilTemperature,
                                            sensor::history::kStorageInterval,
                                            reg::kFineAdjust110,
                                            reg::kFineAdjust50,
                                            reg::kFineAdjust90};

// Texts are stored with backslash escapes so any byte survives a line-based file.
std::string escape(const std::string& s) {
    std::string out;
    for (const unsigned char c : s) {
        if (c == '\\' || c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out.push_back(static_cast<char>(std::strtoul(s.substr(i + 2, 2).c_str(), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> Sensor::saveSettings() const {
    std::vector<std::string> lines;
    lines.push_back("id=" + std::to_string(id_));
    for (const auto a : kKeptRegisters)
        lines.push_back("reg." + std::to_string(a) + "=" + std::to_string(reg(a)));
    for (const auto& [first, text] : texts_)
        lines.push_back("text." + std::to_string(first) + "=" + escape(text));
    lines.push_back("signer=" + escape(signer_));
    for (const auto& [code, text] : items_)
        lines.push_back("item." + std::to_string(code) + "=" + escape(text));
    char buf[128];
    std::snprintf(buf, sizeof buf, "options=%u,%u,%u,%u", options_[0], options_[1], options_[2], options_[3]);
    lines.push_back(buf);
    lines.push_back("energy=" + std::to_string(energy_));
    lines.push_back("interval=" + std::to_string(sendIntervalTenths_));
    std::snprintf(buf, sizeof buf, "gain=%.17g", hydrogenGain_);
    lines.push_back(buf);
    std::snprintf(buf, sizeof buf, "offsets=%.17g,%.17g,%.17g", pressureOffset_, moistureOffset_,
                  moistureTempOffset_);
    lines.push_back(buf);
    std::snprintf(buf, sizeof buf, "tempcal=%.17g,%.17g", tempGain_, tempOffset_);
    lines.push_back(buf);
    return lines;
}

void Sensor::loadSetting(const std::string& key, const std::string& value) {
    const auto number = [&value] { return std::strtoul(value.c_str(), nullptr, 10); };
    if (key == "id") {
        const auto id = number();
        if (id >= sensor::kMinSensorId && id <= sensor::kMaxSensorId) id_ = static_cast<std::uint8_t>(id);
    } else if (key.rfind("reg.", 0) == 0) {
        const auto a = std::strtoul(key.c_str() + 4, nullptr, 10);
        for (const auto kept : kKeptRegisters)
            if (kept == a) regs_[kept] = static_cast<std::uint16_t>(number());
    } else if (key.rfind("text.", 0) == 0) {
        const auto first = static_cast<std::uint16_t>(std::strtoul(key.c_str() + 5, nullptr, 10));
        if (texts_.count(first)) texts_[first] = unescape(value).substr(0, 20);
    } else if (key == "signer") {
        signer_ = unescape(value).substr(0, 20);
    } else if (key.rfind("item.", 0) == 0) {
        const auto code = static_cast<std::uint16_t>(std::strtoul(key.c_str() + 5, nullptr, 10));
        if (items_.count(code)) items_[code] = unescape(value).substr(0, 20);
    } else if (key == "options") {
        unsigned o[4] = {};
        if (std::sscanf(value.c_str(), "%u,%u,%u,%u", &o[0], &o[1], &o[2], &o[3]) == 4)
            for (int i = 0; i < 4; ++i)
                options_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(o[i]);
        if (!config_.pressureFitted) options_[0] &= 0xFE;
        if (!config_.moistureFitted) options_[1] &= 0xFE;
    } else if (key == "energy") {
        energy_ = static_cast<std::uint8_t>(number());
    } else if (key == "interval") {
        sendIntervalTenths_ = static_cast<std::uint16_t>(number() & 0xFF);
    } else if (key == "gain") {
        const double g = std::strtod(value.c_str(), nullptr);
        if (g > 0) hydrogenGain_ = g;
    } else if (key == "tempcal") {
        double gain = 1, offset = 0;
        if (std::sscanf(value.c_str(), "%lf,%lf", &gain, &offset) == 2 && gain > 0) {
            tempGain_ = gain;
            tempOffset_ = offset;
        }
    } else if (key == "offsets") {
        std::sscanf(value.c_str(), "%lf,%lf,%lf", &pressureOffset_, &moistureOffset_, &moistureTempOffset_);
    }
}

}  // namespace talvex::sim
