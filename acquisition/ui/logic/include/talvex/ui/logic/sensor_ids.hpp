// Text-to-ID rules of the channel parameters page: the found-IDs box (enable all) and the
// current-ID box (modify ID).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::ui {

// The found-IDs box reads as every sensor-ID list does (talvex/sensor_id_list.hpp): "1-3,7" is 1, 2,
// 3 and 7; the bus search's "5, 7, " is 5 and 7.
enum class EnableAllOutcome {
    Ready,           // ids hold what to assign, channel by channel
    NoSensorId,      // the text names no sensor
    IdOutOfRange,    // some ID lies outside 1..247
    NotAnIdOrRange,  // item is neither an ID nor a range of IDs written low to high
};

struct EnableAllPlan {
    EnableAllOutcome outcome = EnableAllOutcome::NoSensorId;
    std::vector<int> ids;    // at most `slots` of them
    bool truncated = false;  // more IDs than slots: the rest are ignored (the user is told)
    std::string item;        // NotAnIdOrRange: the item as written
};

// Validates the found-IDs text for `slots` channel nodes (at most 48).
EnableAllPlan planEnableAll(std::string_view text, int slots);

// The new-ID box: the whole text (blanks around it allowed) must be a decimal 1..247.
std::optional<int> parseNewSensorId(std::string_view text);

}  // namespace talvex::ui
