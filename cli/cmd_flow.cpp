// talvex-cli flow: the mass-flow controller at slave 200 on the sensors' line. Open it with a
// setpoint in mL/min, close it, or read mass flow and gas temperature.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli_prompter.hpp"
#include "command.hpp"
#include "port_option.hpp"
#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/flowmeter_control.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::calibration;

int fail(const std::string& text, int code) {
    std::fprintf(stderr, "talvex-cli flow: %s\n", text.c_str());
    return code;
}

int runFlow(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parse(words,
                                  OptionTable{{{"port"},
                                               {"baud"},
                                               {"set"},
                                               {"close", false},
                                               {"read", false},
                                               {"dry-run", false},
                                               {"json", false}}},
                                  error);
    if (!args) return fail(error, 2);
    const int actions = int(args->has("set")) + int(args->has("close")) + int(args->has("read"));
    if (actions != 1) return fail(GetText("IDS_Cli_Flow_OneAction"), 2);
    std::optional<unsigned> setpoint;
    if (args->has("set")) {
        setpoint = parseFlowSetpoint(*args->value("set"));
        if (!setpoint) return fail(GetText("IDS_Cli_Flow_BadSetpoint"), 2);
    }
    const bool dryRun = args->has("dry-run");
    if (dryRun && args->has("read")) return fail(GetText("IDS_Cli_Flow_DryRunActions"), 2);
    if (dryRun) {
        const auto words2 = setpointWords(setpoint.value_or(0));
        std::printf("%d 0x%04X\n%d 0x%04X\n", flow_reg::kSetpoint, words2[0], flow_reg::kSetpoint + 1,
                    words2[1]);
        return 0;
    }

    PortSession port(*args);
    if (!port.ok()) return fail(port.error(), port.exitCode());
    CliPrompter prompter("flow");
    FlowmeterControl flow;
    if (setpoint) return flow.open(rtuRegisterIo(), prompter, *args->value("set")) ? 0 : 1;
    if (args->has("close")) return flow.close(rtuRegisterIo(), prompter) ? 0 : 1;
    if (!flow.readOut(rtuRegisterIo())) return fail(GetText("IDS_Cli_Flow_NoAnswer"), 1);
    if (args->has("json"))
        std::printf("{\"mass_flow\":%s,\"temperature\":%s}\n", flow.state().massFlow.c_str(),
                    flow.state().temperature.c_str());
    else
        std::printf("mass_flow %s mL/min\ntemperature %s degC\n", flow.state().massFlow.c_str(),
                    flow.state().temperature.c_str());
    return 0;
}

const CommandRegistrar reg{
    {"flow",
     std::string("flow ") + kPortUsage +
         " (--set ML | --close | --read) [--dry-run] [--json]   mass-flow controller at "
         "slave 200",
     runFlow}};

}  // namespace
}  // namespace talvex::cli
