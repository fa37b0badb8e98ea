// The production page's sensor operations besides read-out and signing: run modes, the sensor
// temperature, the two-point temperature calibration, fine adjustment at 50/90/110 degC and the
// 20 degC resistance of the temperature-sensing element. Each reports through the prompter with the
// page's own texts; with chain targets it goes to every enabled channel's sensor in turn.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/pacer.hpp"
#include "talvex/prompter.hpp"
#include "talvex/register_io.hpp"

namespace talvex::production {

// The sensors an operation addresses: the selected one, or the chain (per-sensor messages).
struct Targets {
    std::vector<int> ids;
    bool chain = false;
    static Targets single(int id) { return {{id}, false}; }
};

// The run-mode list: the sensor's run modes, then "无线485-232" (register 149 := 1, no command).
struct RunModeEntry {
    std::string_view label;
    std::uint16_t code;        // command of register 160; 0 for the 485-232 switch
    std::uint16_t remembered;  // what the page remembers as its last run mode
};
std::span<const RunModeEntry> runModeEntries();

// Returns the entry's remembered code (the page's last run mode), also when the sensor refused.
std::uint16_t startRunMode(RegisterIo& io, Pacer& pacer, Prompter& prompter, const RunModeEntry& entry,
                           const Targets& targets);

// The sensor temperature (register 6: value / 100 - 100). Single: the value, or nothing after
// "通信错误！". Chain: one message per sensor, no value.
std::optional<double> readTemperature(RegisterIo& io, Pacer& pacer, Prompter& prompter,
                                      const Targets& targets);

enum class CalibrationPoint { None = 0, First = 1, Second = 2 };

// Two-point temperature calibration with the actual temperature in whole degrees. Refused without a
// prior "关闭加热" start (lastRunMode 4) or a chosen point, before anything is sent. True when a
// sensor accepted (the page then clears the chosen point).
bool calibrateTemperature(RegisterIo& io, Pacer& pacer, Prompter& prompter, std::uint16_t lastRunMode,
                          CalibrationPoint point, std::string_view degrees, const Targets& targets);

// Fine adjustment (procedure E) at 50, 90 or 110 degC with the reference gas in ppm.
void fineAdjust(RegisterIo& io, Pacer& pacer, Prompter& prompter, int celsius, std::string_view ppm,
                const Targets& targets);

// The stored 20 degC resistance (text item), the present resistance (registers 173-174, ohms as
// "%.2f") and writing a new 20 degC resistance (commit 1008, after confirmation).
std::optional<std::string> readStoredResistance(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id);
std::optional<std::string> measureResistance(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id);
void writeResistance(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id, std::string_view ohms);

}  // namespace talvex::production
