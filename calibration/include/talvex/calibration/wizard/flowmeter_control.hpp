// The mass-flow controller on the same line (slave 200): open it with a setpoint in mL/min, close
// it with zero, and read mass flow and gas temperature every 10 s while it is open. Qt-free; the
// calibration page runs these on the link worker under a hold.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "talvex/prompter.hpp"
#include "talvex/register_io.hpp"

namespace talvex::calibration {

inline constexpr std::chrono::milliseconds kFlowReadPeriod{10000};
inline constexpr unsigned kMaxFlowSetpoint = 1000;  // mL/min

// The setpoint field: a whole number 0..1000 (blanks around it allowed), else nullopt.
std::optional<unsigned> parseFlowSetpoint(std::string_view text);
// Registers 2053-2054 for a setpoint in mL/min: setpoint * 1000, high word first.
std::array<std::uint16_t, 2> setpointWords(unsigned mlPerMinute);
// The read-outs: mass flow "%.2f" of the raw value, temperature "%.2f" of raw / 100.
std::string massFlowText(std::uint16_t raw);
std::string temperatureText(std::uint16_t raw);

struct FlowmeterState {
    bool open = false;  // the button's caption: "Close Flowmeter" while open
    unsigned setpoint = 200;
    std::string massFlow = "0";
    std::string temperature = "0";
};

class FlowmeterControl {
  public:
    const FlowmeterState& state() const { return state_; }
    // The button: opens when closed, closes when open. connected: the hold found the port open.
    void toggle(RegisterIo& io, Prompter& prompter, bool connected, std::string_view setpointText);
    // Its halves. open() refuses a setpoint text outside 0..1000 with a message, sending nothing.
    // Both return true when the flowmeter took the write.
    bool open(RegisterIo& io, Prompter& prompter, std::string_view setpointText);
    bool close(RegisterIo& io, Prompter& prompter);
    // The 10 s read-out; a failed read keeps the text shown before and reports nothing (false).
    bool readOut(RegisterIo& io);

  private:
    FlowmeterState state_;
};

}  // namespace talvex::calibration
