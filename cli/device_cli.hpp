// What the sensor-parameter commands (params, item, coefficients, set-text, command, options)
// share: the exit code of a procedure's outcome and the dry-run listing of register writes.
#pragma once

#include <cstdint>
#include <span>

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"

namespace talvex::cli {

// 0 done, 1 communication failure (or cancelled), 3 refused by the sensor.
int outcomeExit(device::Outcome outcome);

// "REG 0xHHHH" per write, then "commit REG=R VALUE=C".
void printDryRun(std::span<const device::RegisterWrite> writes, std::uint16_t commitRegister,
                 std::uint16_t commitValue);

}  // namespace talvex::cli
