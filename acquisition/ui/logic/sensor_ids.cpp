#include "talvex/ui/logic/sensor_ids.hpp"

#include <algorithm>

#include "talvex/sensor_id_list.hpp"

namespace talvex::ui {

EnableAllPlan planEnableAll(std::string_view text, int slots) {
    EnableAllPlan plan;
    sensor::IdList list = sensor::parseSensorIdList(text);
    switch (list.error) {
        case sensor::IdListError::None:
            break;
        case sensor::IdListError::NoId:
            plan.outcome = EnableAllOutcome::NoSensorId;
            return plan;
        case sensor::IdListError::OutOfRange:
            plan.outcome = EnableAllOutcome::IdOutOfRange;
            return plan;
        case sensor::IdListError::NotAnId:
        case sensor::IdListError::ReversedRange:
            plan.outcome = EnableAllOutcome::NotAnIdOrRange;
            plan.item = std::move(list.item);
            return plan;
    }
    plan.ids = std::move(list.ids);
    const auto limit = static_cast<std::size_t>(std::clamp(slots, 0, 48));
    if (plan.ids.size() > limit) {
        plan.ids.resize(limit);
        plan.truncated = true;
    }
    plan.outcome = EnableAllOutcome::Ready;
    return plan;
}

std::optional<int> parseNewSensorId(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 247) return std::nullopt;
    return value;
}

}  // namespace talvex::ui
