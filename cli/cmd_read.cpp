// talvex-cli read: holding registers (function 3) or input registers (function 4, --input) of one sensor.
#include <cstdio>
#include <string>
#include <vector>

#include "command.hpp"
#include "port_option.hpp"
#include "talvex/rtu.h"

namespace talvex::cli {
namespace {

int fail(const char* what, const std::string& text, int code) {
    std::fprintf(stderr, "talvex-cli %s: %s\n", what, text.c_str());
    return code;
}

int runRead(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {"input", "json"}, error);
    if (!args) return fail("read", error, 2);
    const long id = args->number("id", error).value_or(-1);
    const long addr = args->number("addr", error).value_or(0);
    const long count = args->number("count", error).value_or(1);
    if (!error.empty()) return fail("read", error, 2);
    if (id < 1 || id > 247) return fail("read", "--id must be a slave address 1..247", 2);
    if (addr < 0 || addr > 65535) return fail("read", "--addr must lie in 0..65535", 2);
    if (count < 1 || count > 125 || addr + count > 65536)
        return fail("read", "--count must lie in 1..125 and stay within the register space", 2);

    PortSession port(*args);
    if (!port.ok()) return fail("read", port.error(), port.exitCode());

    const bool input = args->has("input");
    unsigned char data[250];
    const int result = input ? RTUReadInputRegisters(static_cast<int>(id), static_cast<int>(addr),
                                                     static_cast<int>(count), data)
                             : RTUReadHoldingRegisters(static_cast<int>(id), static_cast<int>(addr),
                                                       static_cast<int>(count), data);
    if ((result & 0xFFFF) != RTU_OK) {
        char text[160];
        std::snprintf(text, sizeof text, "%s (0x%04X)", RTUResultText(result), result & 0xFFFF);
        return fail("read", text, 1);
    }
    const bool json = args->has("json");
    if (json) std::printf("{\"id\":%ld,\"function\":%d,\"registers\":[", id, input ? 4 : 3);
    for (long i = 0; i < count; ++i) {
        const int value = (data[2 * i] << 8) | data[2 * i + 1];
        if (json)
            std::printf("%s{\"address\":%ld,\"value\":%d}", i ? "," : "", addr + i, value);
        else
            std::printf("%ld %d\n", addr + i, value);
    }
    if (json) std::printf("]}\n");
    return 0;
}

const CommandRegistrar reg{
    {"read",
     std::string("read ") + kPortUsage +
         " --id N [--addr A] [--count C] [--input] [--json]   read registers (fn 3, 4)",
     runRead}};

}  // namespace
}  // namespace talvex::cli
