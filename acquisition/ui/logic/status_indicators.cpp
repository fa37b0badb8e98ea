#include "talvex/ui/logic/status_indicators.hpp"

namespace talvex::ui {

std::array<bool, kIndicatorCount> indicatorsShown(std::uint16_t w) {
    auto bit = [w](int n) { return ((w >> n) & 1u) != 0; };
    std::array<bool, kIndicatorCount> s{};
    s[static_cast<std::size_t>(Indicator::MT)] = !bit(2) && bit(1);
    s[static_cast<std::size_t>(Indicator::MH)] = !bit(2) && !bit(1) && bit(0);
    s[static_cast<std::size_t>(Indicator::OT)] = bit(2);
    s[static_cast<std::size_t>(Indicator::HR)] = bit(11);
    s[static_cast<std::size_t>(Indicator::TR)] = bit(10);
    s[static_cast<std::size_t>(Indicator::HT)] = bit(9);
    s[static_cast<std::size_t>(Indicator::PR)] = bit(8);
    s[static_cast<std::size_t>(Indicator::MO)] = bit(7);
    s[static_cast<std::size_t>(Indicator::R1)] = bit(4);
    s[static_cast<std::size_t>(Indicator::R2)] = bit(5);
    s[static_cast<std::size_t>(Indicator::R3)] = bit(6);
    return s;
}

}  // namespace talvex::ui
