// The sensor model chosen at start-up: decides the daily-value register, the curve's value and
// the acquisition list's columns. Shared by the core, the simulator and the front ends.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace talvex {

enum class SensorModel : int { None = 0, KA = 1, KB = 2, KC = 3, KD = 4, KE = 5, KG = 6, KGC = 7, KF = 8 };

// List order of the model dialog: number = position + 1.
inline constexpr std::array<std::string_view, 8> kModelNames = {"ModelKA", "ModelKB", "ModelKC",  "ModelKD",
                                                                "ModelKE", "ModelKG", "ModelKGC", "ModelKF"};

inline std::string_view modelName(SensorModel m) {
    const int n = static_cast<int>(m);
    return n >= 1 && n <= 8 ? kModelNames[static_cast<std::size_t>(n - 1)] : std::string_view{};
}

// Exact match, as the model dialog compares ("ModelKGC" is not "ModelKG").
inline std::optional<SensorModel> parseModelName(std::string_view name) {
    for (std::size_t i = 0; i < kModelNames.size(); ++i)
        if (kModelNames[i] == name) return static_cast<SensorModel>(static_cast<int>(i) + 1);
    return std::nullopt;
}

// Gas-phase models chart H2AG; the others chart H2DG.
inline bool isGasPhaseModel(SensorModel m) {
    return m == SensorModel::KG || m == SensorModel::KGC;
}

}  // namespace talvex
