// talvex-cli options: the four option groups of register 160 (pressure and moisture sensors,
// display, function chips) as the optional-functions page logs them.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_prompter.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "device_cli.hpp"
#include "port_option.hpp"
#include "talvex/device/option_operations.hpp"
#include "talvex/json.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "options";

int runOptions(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words, {{kPortOption, kBaudOption, {"id"}, kJsonOption}}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    // Failures are told on stderr; the success message is not needed on the command line.
    CliPrompter prompter(kName, QuestionPolicy::Refuse, CliPrompter::Shown::FailuresOnly);
    device::OptionSettings settings;
    std::vector<std::pair<int, std::uint8_t>> groups;
    std::string log;
    const auto outcome = device::runReadOptions(
        rtuRegisterIo(), pacer, prompter, *id, settings,
        [&](int g, std::uint8_t bits) { groups.emplace_back(g, bits); }, &log);
    if (outcome != device::Outcome::Done) return kExitFailure;
    if (args->has("json")) {
        std::printf("{\"id\":%d,\"groups\":[", *id);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            std::printf("%s{\"group\":%d,\"bits\":%u,\"lines\":[", i ? "," : "", groups[i].first,
                        unsigned(groups[i].second));
            const auto lines = device::optionLogLines(groups[i].first, groups[i].second);
            for (std::size_t k = 0; k < lines.size(); ++k)
                std::printf("%s%s", k ? "," : "", json::quote(lines[k]).c_str());
            std::printf("]}");
        }
        std::printf("]}\n");
    } else {
        for (std::size_t at = 0; (at = log.find('\r', at)) != std::string::npos;) log.erase(at, 1);
        std::fputs(log.c_str(), stdout);
    }
    return kExitOk;
}

const CommandRegistrar reg{
    {kName,
     std::string("options ") + kPortUsage +
         " --id N [--json]   read the option groups (pressure, moisture, display, chips)",
     runOptions}};

}  // namespace
}  // namespace talvex::cli
