// The optional-functions page's operations as core code: reading the four option groups of
// register 160 into the option bytes and the page's log, and saving every option as the 14
// commands of the option table, each confirmed by its acknowledgement.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "talvex/device/procedures.hpp"
#include "talvex/prompter.hpp"

namespace talvex::device {

// What the page holds: one option byte per group, and the three on/off lists that stand for bit 0
// of groups 1 to 3 (the save takes bit 0 from the lists, not from the bytes).
struct OptionSettings {
    std::array<std::uint8_t, sensor::kOptionGroups> bytes{};
    std::array<bool, 3> switchedOn{true, true, true};
};

// The bits of each group that mean something (the read copies only these into the byte).
std::uint8_t optionMask(int group);
// The log lines of one group's bits, in the page's order, in the active language (no line ends).
std::vector<std::string> optionLogLines(int group, std::uint8_t bits);
// The whole log of the four groups: lines ending in "\r\n", a separator after groups 1 to 3.
std::string optionLog(const std::array<std::uint8_t, sensor::kOptionGroups>& bits);

// Reads the groups 1..4 (g x 256 to 160, 100 ms, read 160; 100 ms between groups); onGroup gets
// each group's bits as soon as they are in. On failure the message of the failing step is shown.
// Returns the outcome; the settings' bytes take the read bits (named bits only).
Outcome runReadOptions(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                       OptionSettings& settings,
                       const std::function<void(int group, std::uint8_t bits)>& onGroup,
                       std::string* log = nullptr);

// The 14 commands a save sends, in table order.
std::array<std::uint16_t, std::size(sensor::kOptionCommands)> saveCommands(const OptionSettings& settings);

// Sends them with the page's exchange (1000 ms after 0x0101, 200 ms after the others; one repeat;
// "not fitted" notices for 0x0101 / 0x0201) and its messages.
Outcome runSaveOptions(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                       const OptionSettings& settings);

}  // namespace talvex::device
