// Alarms on live data. The engine is fed every poll's outcome and turns it into alarm events: a
// value over its threshold (hydrogen in oil, daily rate of change, oil temperature), the alarm bits
// 1 to 3 the sensor sets in its run-status word, and a sensor that stopped answering.
//
// A value alarm is raised only once the value has stayed over the threshold for the minimum
// duration, and cleared only once it has fallen below the threshold by the hysteresis: a value that
// wanders around its threshold raises one alarm, not one per poll. Bit alarms follow the sensor's
// own decision (it has its own filtering) and so do without either. Events carry the poll's local
// time text, the form SensorData keeps, so the two tables line up.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/acquisition/measurement.hpp"

namespace talvex::acquisition {

enum class AlarmKind : std::uint8_t { Hydrogen, Rate, Temperature, Status1, Status2, Status3, NoAnswer };
enum class AlarmState : std::uint8_t { Raise, Clear, Ack };

// The words files, JSON and the command line use: "h2", "roc", "temp", "status1".."status3",
// "no-answer"; "raise", "clear", "ack". They never depend on the window's language.
std::string_view alarmKindName(AlarmKind kind);
std::optional<AlarmKind> parseAlarmKind(std::string_view name);
std::string_view alarmStateName(AlarmState state);
// A value alarm (the three Talvex keeps thresholds for) or one the sensor or the link decides.
inline bool isValueAlarm(AlarmKind k) {
    return k == AlarmKind::Hydrogen || k == AlarmKind::Rate || k == AlarmKind::Temperature;
}

struct AlarmEvent {
    std::uint8_t sensor = 0;
    AlarmKind kind = AlarmKind::Hydrogen;
    AlarmState state = AlarmState::Raise;
    double value = 0;  // the value that decided (bit alarms: the run-status word; no answer: polls missed)
    double threshold = 0;  // value alarms: the threshold in force; others: 0
    std::string time;      // local time text of the poll ("2026-12-11 10:59:04")
    std::string by;        // acknowledgements: who acknowledged
};

// Per sensor; a threshold not set raises nothing.
struct AlarmThresholds {
    std::optional<double> hydrogen;     // ppm
    std::optional<double> rate;         // ppm per day
    std::optional<double> temperature;  // degC
};

// The sensor's own thresholds as registers 152..156 hold them (152-153 s32 ppm, 154-155 s32 ppm per
// day, 156 u16 degC x 100), for a Talvex that has no thresholds of its own for the sensor yet. A
// threshold of 0 or less is one the sensor does not watch either: none.
AlarmThresholds thresholdsFromRegisters(const std::uint16_t (&regs)[5]);

struct AlarmSettings {
    double hysteresis = 0.05;     // a value alarm clears below threshold x (1 - hysteresis)
    double minimumSeconds = 0;    // over the threshold this long before it is raised
    int missedPollsForAlarm = 3;  // polls failed in a row before "no answer" is raised
};

class AlarmEngine {
  public:
    explicit AlarmEngine(AlarmSettings settings = {}) : settings_(settings) {}

    void setThresholds(std::uint8_t sensor, const AlarmThresholds& t);
    bool hasThresholds(std::uint8_t sensor) const { return thresholds_.count(sensor) != 0; }

    // A successful poll; seconds is a monotonic time of the poll (for the minimum duration).
    std::vector<AlarmEvent> onMeasurement(const Measurement& m, double seconds);
    // A poll that failed; time is its local time text.
    std::vector<AlarmEvent> onPollFailed(std::uint8_t sensor, const std::string& time);
    // Acknowledges one active or cleared-but-unacknowledged alarm; nothing when there is none.
    std::optional<AlarmEvent> acknowledge(std::uint8_t sensor, AlarmKind kind, const std::string& by,
                                          const std::string& time);

    struct Alarm {
        std::uint8_t sensor = 0;
        AlarmKind kind = AlarmKind::Hydrogen;
        bool active = false;        // raised and not cleared
        bool acknowledged = false;  // a cleared, acknowledged alarm leaves the list
        double value = 0;
        std::string raisedAt;
    };
    // Raised alarms not both cleared and acknowledged, by sensor then kind.
    std::vector<Alarm> alarms() const;

  private:
    struct Track {
        bool active = false;
        bool acknowledged = false;
        std::optional<double> overSince;  // value alarms: when the value first stood over the threshold
        double value = 0;
        std::string raisedAt;
    };
    void valueAlarm(const Measurement& m, AlarmKind kind, double value,
                    const std::optional<double>& threshold, double seconds, const std::string& time,
                    std::vector<AlarmEvent>& out);
    void bitAlarm(const Measurement& m, AlarmKind kind, bool set, const std::string& time,
                  std::vector<AlarmEvent>& out);
    AlarmEvent raise(Track& t, std::uint8_t sensor, AlarmKind kind, double value, double threshold,
                     const std::string& time);
    AlarmEvent clear(Track& t, std::uint8_t sensor, AlarmKind kind, double value, double threshold,
                     const std::string& time);

    AlarmSettings settings_;
    std::map<std::uint8_t, AlarmThresholds> thresholds_;
    std::map<std::pair<std::uint8_t, AlarmKind>, Track> tracks_;
    std::map<std::uint8_t, int> missed_;
};

}  // namespace talvex::acquisition
