// The eleven run-status indicators of the acquisition page: which label a status word shows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace talvex::ui {

enum class Indicator { MT, MH, OT, HR, TR, HT, PR, MO, R1, R2, R3 };
inline constexpr std::size_t kIndicatorCount = 11;

// Language keys of the labels, in Indicator order.
inline constexpr std::array<std::string_view, kIndicatorCount> kIndicatorKeys = {
    "IDS_Tab_Acquisition_M_T", "IDS_Tab_Acquisition_M_H", "IDS_Tab_Acquisition_O_T",
    "IDS_Tab_Acquisition_H_R", "IDS_Tab_Acquisition_T_R", "IDS_Tab_Acquisition_HT",
    "IDS_Tab_Acquisition_PR",  "IDS_Tab_Acquisition_MO",  "IDS_Tab_Acquisition_R1",
    "IDS_Tab_Acquisition_R2",  "IDS_Tab_Acquisition_R3"};

// Shown flag of every indicator, in Indicator order. Bits 0..2 form one state field (over-temperature
// wins over measuring temperature, which wins over measuring hydrogen); bits 3 and 12..15 show nothing.
std::array<bool, kIndicatorCount> indicatorsShown(std::uint16_t statusWord);

}  // namespace talvex::ui
