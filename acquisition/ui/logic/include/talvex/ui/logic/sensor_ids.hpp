// Text-to-ID rules of the channel parameters page: the found-IDs box (enable all) and the
// current-ID box (modify ID).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace talvex::ui {

inline constexpr int kMaxParsedIds = 256;
inline constexpr int kParsedIdCap = 100000;

// Every run of digits is one number (capped at 100 000); anything else separates. At most 256 kept.
std::vector<int> parseSensorIdList(std::string_view text);

enum class EnableAllOutcome {
    Ready,         // ids hold what to assign, channel by channel
    NoSensorId,    // the text holds no number
    IdOutOfRange,  // some number lies outside 1..247
};

struct EnableAllPlan {
    EnableAllOutcome outcome = EnableAllOutcome::NoSensorId;
    std::vector<int> ids;    // at most `slots` of them
    bool truncated = false;  // more numbers than slots: the rest are ignored (the user is told)
};

// Validates the found-IDs text for `slots` channel nodes (at most 48).
EnableAllPlan planEnableAll(std::string_view text, int slots);

// The new-ID box: the whole text (blanks around it allowed) must be a decimal 1..247.
std::optional<int> parseNewSensorId(std::string_view text);

}  // namespace talvex::ui
