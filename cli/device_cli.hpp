// What the sensor-parameter commands (params, item, coefficients, set-text, command, options)
// share: the exit code of a procedure's outcome, a prompter that reports on stderr, and the
// dry-run listing of register writes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/prompter.hpp"

namespace talvex::cli {

// 0 done, 1 communication failure (or cancelled), 3 refused by the sensor.
int outcomeExit(device::Outcome outcome);

// Messages go to stderr prefixed with the command; questions are answered with yes (the command
// line is the confirmation).
class StderrPrompter : public talvex::Prompter {
  public:
    explicit StderrPrompter(std::string_view command) : command_(command) {}
    void message(const std::string& text, Icon icon = Icon::Information) override;
    bool question(const std::string& text) override;

  private:
    std::string command_;
};

// "REG 0xHHHH" per write, then "commit REG=R VALUE=C".
void printDryRun(std::span<const device::RegisterWrite> writes, std::uint16_t commitRegister,
                 std::uint16_t commitValue);

}  // namespace talvex::cli
