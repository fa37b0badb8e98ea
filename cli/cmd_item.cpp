// talvex-cli item: text items read through register 254 (the sensor renders each as text), one
// line "CODE TEXT" per item. A failed item is reported and the others are still read; exit 1.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "device_cli.hpp"
#include "port_option.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "item";

int runItem(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words, {{kPortOption, kBaudOption, {"id"}, kJsonOption}, 1, std::size(sensor::kTextItems)},
        exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    std::vector<std::uint16_t> codes;
    for (const std::string& word : args->positional()) {
        const auto code = parseWholeNumber(word);
        if (!code || *code < 0 || *code > 0xFFFF || !sensor::findTextItem(static_cast<std::uint16_t>(*code)))
            return fail(kName, cliText("IDS_Cli_Item_BadCode", {word}), kExitUsage);
        codes.push_back(static_cast<std::uint16_t>(*code));
    }

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    const bool json = args->has("json");
    bool allRead = true;
    if (json) std::printf("{\"id\":%d,\"items\":[", *id);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const device::TextResult r = device::readTextItem(rtuRegisterIo(), pacer, *id, codes[i]);
        if (!r.done()) {
            allRead = false;
            fail(kName, std::to_string(codes[i]) + ": " + outcomeText(r.outcome), kExitFailure);
        }
        if (json) {
            std::printf("%s{\"code\":%u,\"label\":%s,", i ? "," : "", unsigned(codes[i]),
                        json::quote(sensor::findTextItem(codes[i])->label).c_str());
            if (r.done())
                std::printf("\"text\":%s}", json::quote(r.text).c_str());
            else
                std::printf("\"text\":null}");
        } else if (r.done()) {
            std::printf("%u %s\n", unsigned(codes[i]), r.text.c_str());
        }
        std::fflush(stdout);
    }
    if (json) std::printf("]}\n");
    return allRead ? kExitOk : kExitFailure;
}

const CommandRegistrar reg{
    {kName,
     std::string("item ") + kPortUsage +
         " --id N [--json] CODE...   read text items (2549..2608) through register 254",
     runItem}};

}  // namespace
}  // namespace talvex::cli
