#include "device_cli.hpp"

#include <cstdio>

#include "talvex/language.hpp"

namespace talvex::cli {

int outcomeExit(device::Outcome outcome) {
    switch (outcome) {
        case device::Outcome::Done:
            return 0;
        case device::Outcome::Refused:
            return 3;
        default:
            return 1;
    }
}

std::string outcomeText(device::Outcome outcome) {
    switch (outcome) {
        case device::Outcome::Done:
            return {};
        case device::Outcome::Refused:
            return GetText("IDS_Cli_NotAcknowledged");
        default:
            return GetText("IDS_Cli_CommError");
    }
}

void printDryRun(std::span<const device::RegisterWrite> writes, std::uint16_t commitRegister,
                 std::uint16_t commitValue) {
    for (const device::RegisterWrite& w : writes)
        std::printf("%u 0x%04X\n", unsigned(w.address), unsigned(w.value));
    std::printf("commit REG=%u VALUE=%u\n", unsigned(commitRegister), unsigned(commitValue));
}

}  // namespace talvex::cli
