// talvex-cli set-text: an identity text or the signer's name written as text20 and committed
// through register 254 (codes 2571..2575). The text is UTF-8 here and GBK on the sensor.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "device_cli.hpp"
#include "port_option.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "set-text";

int runSetText(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words, {{kPortOption, kBaudOption, {"id"}, {"code"}, kDryRunOption}, 1, 1}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    if (!args->has("code")) return fail(kName, cliText("IDS_Cli_CodeRequired", {"2571..2575"}), kExitUsage);
    const auto code = args->number("code", error);
    if (!code) return fail(kName, error, kExitUsage);
    const sensor::TextWrite* target =
        *code >= 0 && *code <= 0xFFFF ? sensor::findTextWrite(static_cast<std::uint16_t>(*code)) : nullptr;
    if (!target) return fail(kName, GetText("IDS_Cli_SetText_BadCode"), kExitUsage);
    const std::string& value = args->positional()[0];
    // An empty text would blank the sensor's text; a line break or another control character has no
    // place in a one-line text the sensor shows and the read-out exports.
    if (value.empty()) return fail(kName, GetText("IDS_Cli_SetText_Empty"), kExitUsage);
    if (std::any_of(value.begin(), value.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u < 0x20 || u == 0x7F;
        }))
        return fail(kName, GetText("IDS_Cli_SetText_ControlCharacter"), kExitUsage);
    const device::Encoded text = device::encodeText20(target->label, value);
    if (!text) return fail(kName, text.error, kExitUsage);
    std::vector<device::RegisterWrite> writes;
    for (std::size_t k = 0; k < text.registers.size(); ++k)
        writes.push_back({static_cast<std::uint16_t>(target->firstRegister + k), text.registers[k]});

    if (args->has("dry-run")) {
        printDryRun(writes, sensor::reg::kTextItem, target->code);
        return kExitOk;
    }
    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    const auto r = device::writeText(rtuRegisterIo(), pacer, *id, *target,
                                     std::span<const std::uint16_t, 10>(text.registers.data(), 10));
    if (!r.done()) return fail(kName, outcomeText(r.outcome), outcomeExit(r.outcome));
    std::printf("accepted\n");
    return kExitOk;
}

const CommandRegistrar reg{
    {kName,
     std::string("set-text ") + kPortUsage +
         " --id N --code 2571..2575 [--dry-run] TEXT   write an identity text or the signer",
     runSetText}};

}  // namespace
}  // namespace talvex::cli
