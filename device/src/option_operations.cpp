#include "talvex/device/option_operations.hpp"

#include <cstdio>

#include "talvex/device/messages.hpp"
#include "talvex/language.hpp"

namespace talvex::device {
namespace {

using std::chrono::milliseconds;

// One log line: the group's bit and the keys of its text when set and when clear.
struct LogLine {
    int group;
    int bit;
    const char* setKey;
    const char* clearKey;
};

// In the order the page prints them.
constexpr LogLine kLogLines[] = {
    {1, 0, "IDS_Fun_Log_PressureOn", "IDS_Fun_Log_PressureOff"},
    {1, 1, "IDS_Fun_Log_PressureChipPRCY", "IDS_Fun_Log_PressureChipPR14"},
    {1, 2, "IDS_Fun_Log_PressureRange200k", "IDS_Fun_Log_PressureRange1M4"},
    {1, 3, "IDS_Fun_Log_CompensationOn", "IDS_Fun_Log_CompensationOff"},
    {2, 0, "IDS_Fun_Log_MoistureOn", "IDS_Fun_Log_MoistureOff"},
    {2, 2, "IDS_Fun_Log_MoistureGas", "IDS_Fun_Log_MoistureOil"},
    {2, 1, "IDS_Fun_Log_MoistureNot485", "IDS_Fun_Log_Moisture485"},
    {3, 0, "IDS_Fun_Log_DisplayOn", "IDS_Fun_Log_DisplayOff"},
    {3, 1, "IDS_Fun_Log_DisplayLcd", "IDS_Fun_Log_DisplayOled"},
    {4, 0, "IDS_Fun_Log_Dac8568", "IDS_Fun_Log_Dac8562"},
    {4, 1, "IDS_Fun_Log_FourChannels", "IDS_Fun_Log_OneChannel"},
    {4, 3, "IDS_Fun_Log_FastPreheat", "IDS_Fun_Log_NormalPreheat"},
    {4, 4, "IDS_Fun_Log_AD420", "IDS_Fun_Log_AD5420"},
    {4, 2, "IDS_Fun_Log_Control7911", "IDS_Fun_Log_Control57911"},
};

constexpr const char* kGroupReadFailed[] = {"IDS_Fun_PressureReadFailed", "IDS_Fun_MoistureReadFailed",
                                            "IDS_Fun_DisplayReadFailed", "IDS_Fun_ChipsReadFailed"};
constexpr const char* kSeparator = "=====================================";

milliseconds commandWait(std::uint16_t command) {
    return milliseconds(command == sensor::kPressureSensorOn ? 1000 : 200);
}

}  // namespace

std::uint8_t optionMask(int group) {
    std::uint8_t mask = 0;
    for (const sensor::OptionCommand& o : sensor::kOptionCommands)
        if (o.group == group) mask = static_cast<std::uint8_t>(mask | 1u << o.bit);
    return mask;
}

std::vector<std::string> optionLogLines(int group, std::uint8_t bits) {
    std::vector<std::string> lines;
    for (const LogLine& l : kLogLines)
        if (l.group == group) lines.push_back(GetText(bits >> l.bit & 1 ? l.setKey : l.clearKey));
    return lines;
}

std::string optionLog(const std::array<std::uint8_t, sensor::kOptionGroups>& bits) {
    std::string log;
    for (int g = 1; g <= sensor::kOptionGroups; ++g) {
        for (const std::string& line : optionLogLines(g, bits[static_cast<std::size_t>(g - 1)]))
            log += line + "\r\n";
        if (g < sensor::kOptionGroups) log += std::string(kSeparator) + "\r\n";
    }
    return log;
}

Outcome runReadOptions(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                       OptionSettings& settings, const std::function<void(int, std::uint8_t)>& onGroup,
                       std::string* log) {
    std::array<std::uint8_t, sensor::kOptionGroups> read{};
    for (int g = 1; g <= sensor::kOptionGroups; ++g) {
        if (g > 1 && !pacer.pause(kStepPause)) return Outcome::Cancelled;
        if (pacer.cancelled()) return Outcome::Cancelled;
        if (!rtuOk(io.writeSingle(slave, sensor::reg::kCommand, sensor::selectOptionGroup(g)))) {
            prompter.message(GetText(kGroupReadFailed[g - 1]), talvex::Prompter::Icon::Warning);
            return Outcome::CommunicationFailure;
        }
        if (!pacer.pause(kStepPause)) return Outcome::Cancelled;
        std::uint16_t value = 0;
        if (!rtuOk(io.readHolding(slave, sensor::reg::kCommand, 1, &value))) {
            prompter.message(GetText("IDS_Fun_ReadFailed"), talvex::Prompter::Icon::Warning);
            return Outcome::CommunicationFailure;
        }
        const auto mask = optionMask(g);
        const auto bits = static_cast<std::uint8_t>(value & 0xFF);
        auto& byte = settings.bytes[static_cast<std::size_t>(g - 1)];
        byte = static_cast<std::uint8_t>((byte & ~mask) | (bits & mask));
        if (g <= 3) settings.switchedOn[static_cast<std::size_t>(g - 1)] = bits & 1;
        read[static_cast<std::size_t>(g - 1)] = bits;
        if (onGroup) onGroup(g, bits);
    }
    if (log) *log = optionLog(read);
    prompter.message(GetText("IDS_Fun_ReadSucceeded"));
    return Outcome::Done;
}

std::array<std::uint16_t, std::size(sensor::kOptionCommands)> saveCommands(const OptionSettings& settings) {
    std::array<std::uint16_t, std::size(sensor::kOptionCommands)> commands{};
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const sensor::OptionCommand& o = sensor::kOptionCommands[i];
        const bool first = o.bit == 0 && o.group <= 3
                               ? settings.switchedOn[static_cast<std::size_t>(o.group - 1)]
                               : (settings.bytes[static_cast<std::size_t>(o.group - 1)] >> o.bit & 1) != 0;
        commands[i] = first ? o.ifSet : o.ifClear;
    }
    return commands;
}

Outcome runSaveOptions(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int slave,
                       const OptionSettings& settings) {
    for (const std::uint16_t command : saveCommands(settings)) {
        enum class Verdict { Acknowledged, NotFitted, Failed };
        const auto exchange = [&]() -> std::optional<Verdict> {
            if (pacer.cancelled()) return std::nullopt;
            io.writeSingle(slave, sensor::reg::kCommand, command);  // the read-back decides
            if (!pacer.pause(commandWait(command))) return std::nullopt;
            std::uint16_t value = 0;
            if (!rtuOk(io.readHolding(slave, sensor::reg::kCommand, 1, &value))) return Verdict::Failed;
            if (value == sensor::commandAck(command)) return Verdict::Acknowledged;
            if (const auto nf = sensor::notFittedReadBack(command); nf && value == *nf)
                return Verdict::NotFitted;
            return Verdict::Failed;
        };
        auto verdict = exchange();
        if (verdict == Verdict::Failed) verdict = exchange();
        if (!verdict) return Outcome::Cancelled;
        if (*verdict == Verdict::NotFitted) {
            prompter.message(GetText(command == sensor::kPressureSensorOn ? "IDS_Fun_PressureNotSupported"
                                                                          : "IDS_Fun_MoistureNotSupported"),
                             talvex::Prompter::Icon::Warning);
        } else if (*verdict == Verdict::Failed) {
            char number[8];
            std::snprintf(number, sizeof number, "%X", static_cast<unsigned>(command));
            prompter.message(fillIn("IDS_Fun_SaveFailed", {number}), talvex::Prompter::Icon::Warning);
            return Outcome::Refused;
        }
    }
    prompter.message(GetText("IDS_Fun_SaveSucceeded"));
    return Outcome::Done;
}

}  // namespace talvex::device
