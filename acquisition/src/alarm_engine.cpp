#include "talvex/acquisition/alarm_engine.hpp"

#include <array>
#include <cmath>

#include "talvex/sensor_registers.hpp"

namespace talvex::acquisition {
namespace {

namespace reg = sensor::reg;

constexpr std::array<std::string_view, 7> kKindNames = {"h2",      "roc",     "temp",     "status1",
                                                        "status2", "status3", "no-answer"};
constexpr std::array<std::string_view, 3> kStateNames = {"raise", "clear", "ack"};

std::int32_t s32(std::uint16_t high, std::uint16_t low) {
    return static_cast<std::int32_t>((std::uint32_t(high) << 16) | low);
}

}  // namespace

std::string_view alarmKindName(AlarmKind kind) {
    return kKindNames[static_cast<std::size_t>(kind)];
}

std::optional<AlarmKind> parseAlarmKind(std::string_view name) {
    for (std::size_t i = 0; i < kKindNames.size(); ++i)
        if (kKindNames[i] == name) return static_cast<AlarmKind>(i);
    return std::nullopt;
}

std::string_view alarmStateName(AlarmState state) {
    return kStateNames[static_cast<std::size_t>(state)];
}

AlarmThresholds thresholdsFromRegisters(const std::uint16_t (&regs)[5]) {
    AlarmThresholds t;
    if (const auto h2 = s32(regs[0], regs[1]); h2 > 0) t.hydrogen = h2;
    if (const auto rate = s32(regs[2], regs[3]); rate > 0) t.rate = rate;
    if (regs[4] > 0) t.temperature = regs[4] / 100.0;
    return t;
}

void AlarmEngine::setThresholds(std::uint8_t sensor, const AlarmThresholds& t) {
    thresholds_[sensor] = t;
}

std::vector<AlarmEvent> AlarmEngine::onMeasurement(const Measurement& m, double seconds) {
    std::vector<AlarmEvent> out;
    const std::string time = formatTimestamp(m.time);
    if (int& missed = missed_[m.sensorId]; missed > 0) {
        missed = 0;
        Track& t = tracks_[{m.sensorId, AlarmKind::NoAnswer}];
        if (t.active) out.push_back(clear(t, m.sensorId, AlarmKind::NoAnswer, 0, 0, time));
    }
    const auto found = thresholds_.find(m.sensorId);
    const AlarmThresholds none;
    const AlarmThresholds& th = found != thresholds_.end() ? found->second : none;
    valueAlarm(m, AlarmKind::Hydrogen, m.h2dg, th.hydrogen, seconds, time, out);
    valueAlarm(m, AlarmKind::Rate, m.dayRoc, th.rate, seconds, time, out);
    valueAlarm(m, AlarmKind::Temperature, m.temp, th.temperature, seconds, time, out);
    bitAlarm(m, AlarmKind::Status1, (m.runStatus & reg::kStatusAlarm1) != 0, time, out);
    bitAlarm(m, AlarmKind::Status2, (m.runStatus & reg::kStatusAlarm2) != 0, time, out);
    bitAlarm(m, AlarmKind::Status3, (m.runStatus & reg::kStatusAlarm3) != 0, time, out);
    return out;
}

std::vector<AlarmEvent> AlarmEngine::onPollFailed(std::uint8_t sensor, const std::string& time) {
    std::vector<AlarmEvent> out;
    const int missed = ++missed_[sensor];
    Track& t = tracks_[{sensor, AlarmKind::NoAnswer}];
    if (!t.active && missed >= settings_.missedPollsForAlarm)
        out.push_back(raise(t, sensor, AlarmKind::NoAnswer, missed, 0, time));
    return out;
}

std::optional<AlarmEvent> AlarmEngine::acknowledge(std::uint8_t sensor, AlarmKind kind, const std::string& by,
                                                   const std::string& time) {
    const auto it = tracks_.find({sensor, kind});
    if (it == tracks_.end() || it->second.raisedAt.empty() || it->second.acknowledged) return std::nullopt;
    Track& t = it->second;
    t.acknowledged = true;
    AlarmEvent e{sensor, kind, AlarmState::Ack, t.value, 0, time, by};
    if (!t.active) t.raisedAt.clear();  // cleared and acknowledged: it leaves the list
    return e;
}

std::vector<AlarmEngine::Alarm> AlarmEngine::alarms() const {
    std::vector<Alarm> out;
    for (const auto& [key, t] : tracks_)
        if (!t.raisedAt.empty())
            out.push_back({key.first, key.second, t.active, t.acknowledged, t.value, t.raisedAt});
    return out;
}

void AlarmEngine::valueAlarm(const Measurement& m, AlarmKind kind, double value,
                             const std::optional<double>& threshold, double seconds, const std::string& time,
                             std::vector<AlarmEvent>& out) {
    Track& t = tracks_[{m.sensorId, kind}];
    if (!threshold) {  // thresholds taken away: an active alarm has nothing left to stand on
        t.overSince.reset();
        if (t.active) out.push_back(clear(t, m.sensorId, kind, value, 0, time));
        return;
    }
    if (value >= *threshold) {
        if (!t.overSince) t.overSince = seconds;
        if (!t.active && seconds - *t.overSince >= settings_.minimumSeconds)
            out.push_back(raise(t, m.sensorId, kind, value, *threshold, time));
        if (t.active) t.value = value;
        return;
    }
    t.overSince.reset();
    const double clearBelow = *threshold - std::abs(*threshold) * settings_.hysteresis;
    if (t.active && value < clearBelow) out.push_back(clear(t, m.sensorId, kind, value, *threshold, time));
}

void AlarmEngine::bitAlarm(const Measurement& m, AlarmKind kind, bool set, const std::string& time,
                           std::vector<AlarmEvent>& out) {
    Track& t = tracks_[{m.sensorId, kind}];
    if (set && !t.active) out.push_back(raise(t, m.sensorId, kind, m.runStatus, 0, time));
    if (!set && t.active) out.push_back(clear(t, m.sensorId, kind, m.runStatus, 0, time));
}

AlarmEvent AlarmEngine::raise(Track& t, std::uint8_t sensor, AlarmKind kind, double value, double threshold,
                              const std::string& time) {
    t.active = true;
    t.acknowledged = false;
    t.value = value;
    t.raisedAt = time;
    return {sensor, kind, AlarmState::Raise, value, threshold, time, {}};
}

AlarmEvent AlarmEngine::clear(Track& t, std::uint8_t sensor, AlarmKind kind, double value, double threshold,
                              const std::string& time) {
    t.active = false;
    t.value = value;
    if (t.acknowledged) t.raisedAt.clear();  // seen and over: it leaves the list
    return {sensor, kind, AlarmState::Clear, value, threshold, time, {}};
}

}  // namespace talvex::acquisition
