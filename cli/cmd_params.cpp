// talvex-cli params: the device parameters of one sensor as the device parameters page reads them
// (range, analog outputs, alarm thresholds, firmware, model and serial texts, six coefficient items).
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "device_cli.hpp"
#include "port_option.hpp"
#include "talvex/device/parameter_operations.hpp"
#include "talvex/json.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "params";

int runParams(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words, {{kPortOption, kBaudOption, {"id"}, kJsonOption}}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    std::vector<std::pair<device::ParameterField, std::string>> values;
    const device::Outcome outcome = device::readDeviceParameters(
        rtuRegisterIo(), pacer, *id,
        [&](device::ParameterField f, const std::string& t) { values.emplace_back(f, t); });
    if (outcome != device::Outcome::Done) {
        const std::string at =
            values.size() < static_cast<std::size_t>(device::kParameterFieldCount)
                ? std::string(device::parameterFieldName(static_cast<device::ParameterField>(values.size())))
                : std::string();
        return fail(kName, cliText("IDS_Cli_Params_CommError", {at}), kExitFailure);
    }
    if (args->has("json")) {
        std::printf("{\"id\":%d", *id);
        for (const auto& [f, t] : values)
            std::printf(",%s:%s", json::quote(device::parameterFieldName(f)).c_str(), json::quote(t).c_str());
        std::printf("}\n");
    } else {
        for (const auto& [f, t] : values)
            std::printf("%s %s\n", std::string(device::parameterFieldName(f)).c_str(), t.c_str());
    }
    return kExitOk;
}

const CommandRegistrar reg{
    {kName,
     std::string("params ") + kPortUsage + " --id N [--json]   read the device parameters of one sensor",
     runParams}};

}  // namespace
}  // namespace talvex::cli
