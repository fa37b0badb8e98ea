// The start every talvex-cli command shares: its option table parsed strictly, --help, the usage on
// a refusal, the data directory and the language of setting.ini. Commands call startCommand() first
// and touch no port or file before it succeeds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "args.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::cli {

// Options spelt the same way by every command that takes them.
inline const OptionSpec kDataDirOption{"data-dir"};
inline const OptionSpec kJsonOption{"json", false};
inline const OptionSpec kDryRunOption{"dry-run", false};
inline const OptionSpec kPortOption{"port"};
inline const OptionSpec kBaudOption{"baud"};

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // communication failure, missing data, a file not written
inline constexpr int kExitUsage = 2;    // refused before anything was sent or written
inline constexpr int kExitRefused = 3;  // the sensor refused (negative acknowledgement)

// Prints "talvex-cli COMMAND: text" to stderr.
void note(std::string_view command, std::string_view text);
// note() and returns code.
int fail(std::string_view command, std::string_view text, int code);

// Parses words with the command's table. Returns nullopt with exitCode set when the command must
// end now: 0 after printing the usage for --help, 2 after printing the refusal and the usage.
std::optional<Args> startCommand(std::string_view command, const std::vector<std::string>& words,
                                 const OptionTable& table, int& exitCode);

// The second half of the start, called once the command has checked its options (so that a refused
// command writes nothing): --data-dir DIR must be an existing directory (a mistyped name is refused
// with exit 2, never created); without it the default places are used. Then the language of
// setting.ini is made active (setting.ini is written on a first run). False with exitCode set when
// the command must end.
bool openDataDir(std::string_view command, const Args& args, int& exitCode);

// The command's usage line as registered ("read --port DEVICE|COMn ...").
std::string usageOf(std::string_view command);

// Sensor IDs are Modbus slave addresses 1..247 in every command (0 is broadcast, 248..255 reserved).
using sensor::kMaxSensorId;
using sensor::kMinSensorId;

// A required --NAME sensor ID; nullopt with error set when missing, malformed or out of range.
std::optional<int> sensorIdOption(const Args& args, const std::string& name, std::string& error);

// "1-3,7" -> 1 2 3 7, read as the window and the simulator read it (talvex/sensor_id_list.hpp); false
// with the refusal in words when the list names no sensor or an item is no ID or range of IDs.
bool parseSensorIdList(const std::string& text, std::vector<int>& out, std::string& error);

// "a,b,c" -> its items; an empty item ("5,6," or "5,,6") is an error.
bool splitList(const std::string& text, std::vector<std::string>& out, std::string& error);

}  // namespace talvex::cli
