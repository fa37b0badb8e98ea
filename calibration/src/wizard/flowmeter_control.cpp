#include "talvex/calibration/wizard/flowmeter_control.hpp"

#include <cstdio>

#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/reference_value.hpp"
#include "wizard_messages.hpp"

namespace talvex::calibration {

std::optional<unsigned> parseFlowSetpoint(std::string_view text) {
    const auto v = parseConcentration(text);  // whole, blanks allowed, no sign
    if (!v || *v > kMaxFlowSetpoint) return std::nullopt;
    return *v;
}

std::array<std::uint16_t, 2> setpointWords(unsigned mlPerMinute) {
    const std::uint32_t scaled = mlPerMinute * 1000u;
    return {static_cast<std::uint16_t>(scaled >> 16), static_cast<std::uint16_t>(scaled & 0xFFFF)};
}

std::string massFlowText(std::uint16_t raw) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(raw));
    return text;
}

std::string temperatureText(std::uint16_t raw) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", raw / 100.0);
    return text;
}

void FlowmeterControl::toggle(RegisterIo& io, Prompter& prompter, bool connected,
                              std::string_view setpointText) {
    if (!connected) {
        plain(prompter, "IDD_Message_ConnectPort");
        return;
    }
    if (state_.open)
        close(io, prompter);
    else
        open(io, prompter, setpointText);
}

bool FlowmeterControl::open(RegisterIo& io, Prompter& prompter, std::string_view setpointText) {
    const auto setpoint = parseFlowSetpoint(setpointText);
    if (!setpoint) {
        plain(prompter, "IDS_Tab_Cal_BadFlowSetpoint");
        return false;
    }
    state_.setpoint = *setpoint;
    const auto words = setpointWords(*setpoint);
    if (!rtuOk(io.writeMultiple(flow_reg::kSlave, flow_reg::kSetpoint, 2, words.data()))) {
        plain(prompter, "IDS_Tab_Cal_MeterONFailed");
        return false;
    }
    state_.open = true;
    plain(prompter, "IDS_Tab_Cal_MeterOpened");
    return true;
}

bool FlowmeterControl::close(RegisterIo& io, Prompter& prompter) {
    const std::uint16_t zero[2] = {0, 0};
    if (!rtuOk(io.writeMultiple(flow_reg::kSlave, flow_reg::kSetpoint, 2, zero))) {
        plain(prompter, "IDS_Tab_Cal_MeterCloseFailed");
        return false;
    }
    state_.open = false;
    plain(prompter, "IDS_Tab_Cal_MeterClosed");
    return true;
}

bool FlowmeterControl::readOut(RegisterIo& io) {
    std::uint16_t raw = 0;
    bool ok = rtuOk(io.readHolding(flow_reg::kSlave, flow_reg::kMassFlow, 1, &raw));
    if (ok) state_.massFlow = massFlowText(raw);
    if (rtuOk(io.readHolding(flow_reg::kSlave, flow_reg::kTemperature, 1, &raw)))
        state_.temperature = temperatureText(raw);
    else
        ok = false;
    return ok;
}

}  // namespace talvex::calibration
