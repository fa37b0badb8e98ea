// The device parameters page's operations as core code: the read of the whole parameter set, the
// group writes, the operation mode with the sensor clock, the coefficient pairs, the wireless
// energy and send interval, the sensor ID and the factory reset. Each one checks its input first
// (nothing is sent for a refused box), then talks to the sensor and tells the user through the
// prompter with the page's messages.
#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "talvex/device/procedures.hpp"
#include "talvex/prompter.hpp"

namespace talvex::device {

// The boxes the parameter read fills, in the order it fills them.
enum class ParameterField {
    RangeLow,
    RangeHigh,
    AnalogLow,
    AnalogHigh,
    AnalogError,
    AnalogReady,
    AlarmHydrogen,
    AlarmRate,
    AlarmOilTemperature,
    Firmware,
    ProductModel,
    SerialNumber,
    RefPrValue,
    FilterValue,
    OilTypeKa,
    OilTypeKb,
    AwAvgKa,
    AwAvgKb,
};
inline constexpr int kParameterFieldCount = 18;
// Stable name of a field ("range_low", "oiltype_ka", ...) for JSON and tests.
std::string_view parameterFieldName(ParameterField field);

// Reads the parameter set in page order, each read followed by 100 ms (text items by procedure B),
// and hands over each box's text as soon as it is in. Ends at the first failed read or item.
Outcome readDeviceParameters(RegisterIo& io, Pacer& pacer, int slave,
                             const std::function<void(ParameterField, const std::string&)>& onField);

// Checked register writes of one group, or the message of the first refused box.
struct WritePlan {
    std::vector<RegisterWrite> writes;
    std::string error;
    bool ok() const { return error.empty(); }
};
WritePlan planRange(std::string_view low, std::string_view high);
WritePlan planAnalogOutputs(const std::array<std::string, 4>& values);
WritePlan planAlarms(std::string_view hydrogen, std::string_view rate, std::string_view oilTemperature);
// The writes one by one, 100 ms after each; ends at the first failure.
Outcome writeRegisters(RegisterIo& io, Pacer& pacer, int slave, std::span<const RegisterWrite> writes);

// Group write with the page's messages: refusal of a box, "Setting failed", "Write Succeeded".
void runGroupWrite(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                   const WritePlan& plan);

// Operation mode: index 0 field mode, 1 laboratory mode (nothing else). Asks first, writes 151,
// tells the result, then sets the sensor clock to local.
void runOperationMode(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave, int modeIndex,
                      const std::tm& local);
// Registers 130..133 from local time, 100 ms after each; a failure of 130..132 ends it.
Outcome setSensorClock(RegisterIo& io, Pacer& pacer, int slave, const std::tm& local);

// The three coefficient pairs of the page: commit codes 1010 (oil-gas), 1011 (moisture) and
// 1009 (pressure); confirmation with both values, then procedure A.
void runCoefficientPair(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                        std::uint16_t commitCode, std::string_view first, std::string_view second);
std::string coefficientConfirmation(const sensor::CommitCode& code, double first, double second);

// Wireless sensor: energy (percent 0..100) and send interval (seconds 10..2559).
Parsed<std::int64_t> parseEnergy(std::string_view text);
Parsed<std::int64_t> parseSendInterval(std::string_view text);
// Register 9 read, 100 ms; the value as the box shows it.
std::optional<std::string> readEnergy(RegisterIo& io, Pacer& pacer, int slave);
// 9 := value & 0xFF (the write's result does not count).
void writeEnergy(RegisterIo& io, int slave, std::int64_t percent);
// One read-back: confirmed by the entered value or one less. nullopt on a failed read.
std::optional<bool> energyConfirmed(RegisterIo& io, int slave, std::int64_t percent);
// 10 := seconds / 10 (low byte).
void writeSendInterval(RegisterIo& io, int slave, std::int64_t seconds);
// One tick of the interval wait: write again, 200 ms, read 10; confirmed by seconds rounded down to
// a multiple of 10. nullopt on a failed read; Cancelled pacer: nullopt.
std::optional<bool> sendIntervalTick(RegisterIo& io, Pacer& pacer, int slave, std::int64_t seconds);
// The read-back waits tick every 2 s and give up after 60 s.
inline constexpr std::chrono::milliseconds kReadBackTick{2000};
inline constexpr std::chrono::milliseconds kReadBackGiveUp{60000};

// Sensor ID box: 1..247, else the page's "Please enter an integer between 1 and 247".
std::optional<int> parseSensorId(std::string_view text);
void runChangeSensorId(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave, int newId);

// Asks, then 123 := 2 and 100 ms.
void runRestoreFactory(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave);

}  // namespace talvex::device
