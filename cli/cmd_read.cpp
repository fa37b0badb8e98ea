// talvex-cli read: holding registers (function 3) or input registers (function 4, --input) of one sensor.
#include <cstdio>
#include <string>
#include <vector>

#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"

namespace talvex::cli {
namespace {

constexpr const char* kName = "read";

int runRead(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words,
        {{kPortOption, kBaudOption, {"id"}, {"addr"}, {"count"}, {"input", false}, kJsonOption}}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    const long addr = args->number("addr", error).value_or(0);
    const long count = args->number("count", error).value_or(1);
    if (!error.empty()) return fail(kName, error, kExitUsage);
    if (addr < 0 || addr > 65535) return fail(kName, GetText("IDS_Cli_BadAddress"), kExitUsage);
    if (count < 1 || count > 125 || addr + count > 65536)
        return fail(kName, GetText("IDS_Cli_Read_BadCount"), kExitUsage);

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());

    const bool input = args->has("input");
    unsigned char data[250];
    const int result =
        input ? RTUReadInputRegisters(*id, static_cast<int>(addr), static_cast<int>(count), data)
              : RTUReadHoldingRegisters(*id, static_cast<int>(addr), static_cast<int>(count), data);
    if ((result & 0xFFFF) != RTU_OK) return fail(kName, linkFailureText(result), linkFailureExit(result));
    const bool json = args->has("json");
    if (json) std::printf("{\"id\":%d,\"function\":%d,\"registers\":[", *id, input ? 4 : 3);
    for (long i = 0; i < count; ++i) {
        const int value = (data[2 * i] << 8) | data[2 * i + 1];
        if (json)
            std::printf("%s{\"address\":%ld,\"value\":%d}", i ? "," : "", addr + i, value);
        else
            std::printf("%ld %d\n", addr + i, value);
    }
    if (json) std::printf("]}\n");
    return kExitOk;
}

const CommandRegistrar reg{
    {kName,
     std::string("read ") + kPortUsage +
         " --id N [--addr A] [--count C] [--input] [--json]   read registers (fn 3, 4)",
     runRead}};

}  // namespace
}  // namespace talvex::cli
