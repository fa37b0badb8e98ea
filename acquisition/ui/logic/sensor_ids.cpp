#include "talvex/ui/logic/sensor_ids.hpp"

#include <algorithm>

namespace talvex::ui {

std::vector<int> parseSensorIdList(std::string_view text) {
    std::vector<int> ids;
    int value = 0;
    bool inNumber = false;
    auto finish = [&] {
        if (inNumber && static_cast<int>(ids.size()) < kMaxParsedIds) ids.push_back(value);
        inNumber = false;
        value = 0;
    };
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = std::min(kParsedIdCap, value * 10 + (c - '0'));
            inNumber = true;
        } else {
            finish();
        }
    }
    finish();
    return ids;
}

EnableAllPlan planEnableAll(std::string_view text, int slots) {
    EnableAllPlan plan;
    plan.ids = parseSensorIdList(text);
    if (plan.ids.empty()) {
        plan.outcome = EnableAllOutcome::NoSensorId;
        return plan;
    }
    if (std::any_of(plan.ids.begin(), plan.ids.end(), [](int id) { return id < 1 || id > 247; })) {
        plan.outcome = EnableAllOutcome::IdOutOfRange;
        plan.ids.clear();
        return plan;
    }
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
