#include "device_cli.hpp"

#include <cstdio>

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

void printDryRun(std::span<const device::RegisterWrite> writes, std::uint16_t commitRegister,
                 std::uint16_t commitValue) {
    for (const device::RegisterWrite& w : writes)
        std::printf("%u 0x%04X\n", unsigned(w.address), unsigned(w.value));
    std::printf("commit REG=%u VALUE=%u\n", unsigned(commitRegister), unsigned(commitValue));
}

}  // namespace talvex::cli
