// What the sensor-parameter commands (params, item, coefficients, set-text, command, options)
// share: the exit code of a procedure's outcome and the dry-run listing of register writes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"

namespace talvex::cli {

// 0 done, 1 communication failure (or cancelled), 3 refused by the sensor.
int outcomeExit(device::Outcome outcome);
// What a failed outcome tells the user ("communication error", "not acknowledged"), in the active
// language; empty for Done. Every command words its failures with this one function.
std::string outcomeText(device::Outcome outcome);

// "REG 0xHHHH" per write, then "commit REG=R VALUE=C".
void printDryRun(std::span<const device::RegisterWrite> writes, std::uint16_t commitRegister,
                 std::uint16_t commitValue);

}  // namespace talvex::cli
