// talvex-cli command: a command through register 160 (option settings, run modes), confirmed by
// the command shifted left by four bits.
#include <cstdio>
#include <string>
#include <vector>

#include "command.hpp"
#include "command_start.hpp"
#include "device_cli.hpp"
#include "port_option.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "command";
constexpr long kDefaultWaitMs = 200;
constexpr long kMaxWaitMs = 60000;

int runCommand(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words, {{kPortOption, kBaudOption, {"id"}, {"wait"}, kDryRunOption}, 1, 1}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    long waitMs = kDefaultWaitMs;
    if (args->has("wait")) {
        const auto w = args->number("wait", error);
        if (!w) return fail(kName, error, kExitUsage);
        if (*w < 0 || *w > kMaxWaitMs) return fail(kName, GetText("IDS_Cli_Command_BadWait"), kExitUsage);
        waitMs = *w;
    }
    const auto value = parseWholeNumber(args->positional()[0]);
    if (!value || *value < 0 || *value > 0xFFFF)
        return fail(kName, GetText("IDS_Cli_Command_BadValue"), kExitUsage);
    const auto command = static_cast<std::uint16_t>(*value);

    if (args->has("dry-run")) {
        std::printf("%u 0x%04X\n", unsigned(sensor::reg::kCommand), unsigned(command));
        return kExitOk;
    }
    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    const auto r =
        device::sendCommand(rtuRegisterIo(), pacer, *id, command, std::chrono::milliseconds(waitMs));
    switch (r.outcome) {
        case device::Outcome::Done:
            std::printf("acknowledged\n");
            break;
        case device::Outcome::Refused:
            std::printf("refused: read 0x%04X\n", unsigned(r.readBack));
            break;
        default:
            return fail(kName, outcomeText(r.outcome), kExitFailure);
    }
    return outcomeExit(r.outcome);
}

const CommandRegistrar reg{{kName,
                            std::string("command ") + kPortUsage +
                                " --id N [--wait MS] [--dry-run] VALUE   send a command through register 160",
                            runCommand}};

}  // namespace
}  // namespace talvex::cli
