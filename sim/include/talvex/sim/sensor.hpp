// One simulated hydrogen sensor: its holding registers, the exchanges it answers (commit register,
// text items, command register, calibration, fine adjustment, history output) and slowly varying
// measurements. A concentrator is a sensor that also answers the blocks of its 16 wireless nodes.
// Not thread-safe: the bus model serialises all calls under its lock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "talvex/sensor_model.hpp"
#include "talvex/sim/device.hpp"
#include "talvex/sim/types.hpp"

namespace talvex::sim {

// How long the sensor takes for the slow exchanges. Tests shorten them instead of sleeping.
struct Timing {
    Millis processing{200};       // commit, calibration result, fine adjustment before the answer shows
    Millis handshakeStage{3000};  // a wireless sensor takes each calibration piece at its next wake-up
    Millis wirelessApply{2500};   // energy and send interval written to a wireless sensor
    Millis measureCycle{30000};   // one hydrogen + temperature measuring cycle (status bits 0-2)
};

// Values that move over time after the simulator starts, so that alarms can be tried end to end.
struct HydrogenRamp {  // hydrogen in oil moves linearly from `from` to `to` ppm over `seconds`, then holds
    double from = 0, to = 0, seconds = 0;
};
struct HydrogenSpike {  // hydrogen in oil reads `ppm` from `at` for `seconds`
    double ppm = 0, at = 0, seconds = 0;
};
struct StatusBitsFrom {  // run-status bits `mask` set from `at` seconds on
    std::uint16_t mask = 0;
    double at = 0;
};

struct SensorConfig {
    std::uint8_t id = 1;
    SensorModel model = SensorModel::KA;
    bool wireless = false;      // CAL_Status handshake in the status word, delayed energy/interval
    bool concentrator = false;  // answers node blocks 256*k + offset, k = 1..16
    // 1: 19-byte records, 2: 28-byte records. V1 by default, as the history read defaults to V1:
    // a read of the demo with the defaults finds records.
    int historyFormat = 1;
    std::uint32_t historyRecords = 240;
    // Faults of the history stream: the record (counted from 1) sent with a wrong end byte, the
    // records sent before the stream breaks off, and a pause after a record (0: none).
    std::uint32_t historyCorruptRecord = 0;
    std::uint32_t historyStopAfter = 0;
    std::uint32_t historyPauseAfter = 0;
    Millis historyPause{0};
    bool pressureFitted = true;
    bool moistureFitted = true;
    bool refuseCalibration = false;   // start and calibrate commands read back 403
    bool failCalibration = false;     // calibrate commands report failure (wireless: CAL_Status 8)
    bool refuseCalibrate = false;     // only the calibrate commands are refused; starts are taken
    std::uint16_t refusalCode = 403;  // what a refused command reads back: 403 or 404
    std::optional<HydrogenRamp> h2Ramp;
    std::optional<HydrogenSpike> h2Spike;
    std::optional<StatusBitsFrom> statusBits;
};

// A sensor configured as its model usually is: the wireless model is wireless.
SensorConfig defaultSensorConfig(std::uint8_t id, SensorModel model);

// Values forced by a test or the demo; unset fields keep the simulated value.
struct SensorValues {
    std::optional<double> dissolved;          // ppm
    std::optional<double> gas;                // ppm
    std::optional<double> oilTemperature;     // degC
    std::optional<double> sensorTemperature;  // degC
    std::optional<double> pressure;           // kPa
    std::optional<double> moisture;           // ppm
    std::optional<double> moistureTemperature;
    std::optional<int> dailyRate;        // ppm per day
    std::optional<std::uint8_t> energy;  // percent
    std::uint16_t statusBitsSet = 0;     // ORed into the status word (element faults, ...)
};

// One reading of the simulated physics.
struct Measurement {
    double dissolved = 0;
    double gas = 0;
    double oilTemperature = 0;
    double sensorTemperature = 0;
    double pressure = 0;
    double moisture = 0;
    double moistureTemperature = 0;
    int dailyRate = 0;
    std::uint8_t energy = 0;
    std::uint16_t status = 0;
};

// Fixed parameters of the physics drawn from the seed.
struct PhysicsParams {
    double base = 50;  // main hydrogen value, ppm
    double drift = 1;  // ppm per day
    double phase1 = 0;
    double phase2 = 0;
    double oilBase = 45;  // degC
    double oilPhase = 0;
};

class Sensor final : public Device {
  public:
    Sensor(const SensorConfig& config, const Timing& timing, std::uint64_t seed, TimePoint now);

    std::uint8_t slaveId() const override { return id_; }
    Reply read(std::uint16_t start, std::uint16_t count, TimePoint now) override;
    Reply write(const Request& request, TimePoint now) override;

    const SensorConfig& config() const { return config_; }
    void setRefuseCalibration(bool on) { config_.refuseCalibration = on; }
    void setFailCalibration(bool on) { config_.failCalibration = on; }
    // Start commands are taken, calibrate commands read back code (403 or 404).
    void setRefuseCalibrate(bool on, std::uint16_t code = 403) {
        config_.refuseCalibrate = on;
        config_.refusalCode = code;
    }
    void setNotFitted(bool pressure, bool moisture);
    void setHistoryRecords(std::uint32_t count) { config_.historyRecords = count; }
    // The next write of this command to register 160 is ignored (the register keeps reading what it
    // read before), as a sensor busy with something else would: the sender's repeat then succeeds.
    void ignoreCommandOnce(std::uint16_t command) { ignoredCommands_.push_back(command); }
    void setTiming(const Timing& timing) { timing_ = timing; }

    void setValues(const SensorValues& values) { values_ = values; }
    const SensorValues& values() const { return values_; }
    // A register forced to a value on reads (until cleared); the sensor's own logic is bypassed.
    void poke(std::uint16_t address, std::uint16_t value) { pokes_[address] = value; }
    void clearPokes() { pokes_.clear(); }

    Measurement measure(TimePoint now);
    // Wireless calibration state as shown in bits 3-6 of the status word.
    std::uint8_t calStatus(TimePoint now);
    // The bytes the sensor sends after the history-start command.
    std::vector<std::uint8_t> historyStream(TimePoint now);
    // The text the sensor renders for a text item code (empty for unknown codes).
    std::string itemText(std::uint16_t code) const;
    std::string identityText(std::uint16_t firstRegister) const;

    // Settings kept between runs: "key=value" lines.
    std::vector<std::string> saveSettings() const;
    void loadSetting(const std::string& key, const std::string& value);

    static bool knows(std::uint16_t address, bool concentrator);
    static bool writable(std::uint16_t address);

  private:
    struct Pending {
        TimePoint due;
        std::function<void()> apply;
    };

    void settle(TimePoint now);
    void resetSettings(TimePoint now);
    void later(TimePoint now, Millis delay, std::function<void()> apply);
    std::uint16_t readOne(std::uint16_t address, const Measurement& m, TimePoint now);
    std::uint16_t readNode(std::uint16_t address, TimePoint now);
    void writeOne(std::uint16_t address, std::uint16_t value, TimePoint now);
    std::uint16_t reg(std::uint16_t address) const;

    // Procedures (sensor_procedures.cpp).
    void commit(std::uint16_t code, TimePoint now);
    void textCommand(std::uint16_t code, TimePoint now);
    void command(std::uint16_t value, TimePoint now);
    void fineAdjust(std::uint16_t address, std::uint16_t ppm, TimePoint now);
    void calibrateTemperature(int point, double reading, double actual);
    std::uint16_t commandReadBack() const { return commandReadBack_; }

    // Calibration (sensor_calibration.cpp).
    void calibrationWrite(std::uint16_t address, std::uint16_t value, TimePoint now);
    void handshakeWrite(std::uint16_t address, std::uint16_t value, TimePoint now);
    enum class CalibratedPhase { Oil, Gas };  // registers 0-1 or 4-5
    void applyHydrogenCalibration(double reference, TimePoint now, CalibratedPhase phase);
    CalibratedPhase inOilCalibratedPhase() const;

    // Physics (sensor_physics.cpp).
    double hydrogenAt(double seconds) const;
    double oilTemperatureAt(double seconds) const;
    double targetSensorTemperature() const;
    std::uint16_t statusWord(const Measurement& m, TimePoint now);
    double secondsSinceStart(TimePoint now) const;
    double wallSeconds(TimePoint now) const;
    void setRunMode(std::uint16_t mode, TimePoint now);

    SensorConfig config_;
    Timing timing_;
    std::uint64_t seed_;
    PhysicsParams physics_;
    TimePoint start_;
    double wallStart_;  // system clock seconds at start_
    std::uint8_t id_;

    std::map<std::uint16_t, std::uint16_t> regs_;   // plain stored registers
    std::map<std::uint16_t, std::uint16_t> pokes_;  // forced reads
    SensorValues values_;
    std::vector<Pending> pending_;

    // Texts the sensor holds, by first register of their text20 block.
    std::map<std::uint16_t, std::string> texts_;
    std::string signer_;
    std::array<std::uint8_t, 20> window_{};  // text window 191-200 as read
    std::map<std::uint16_t, std::string> items_;

    std::uint16_t commandReadBack_ = 0;
    std::vector<std::uint16_t> ignoredCommands_;
    std::array<std::uint8_t, 4> options_{};
    std::uint16_t runMode_ = 1;
    TimePoint runModeSince_;
    double sensorTempAtModeChange_ = 70;

    double hydrogenGain_ = 1.0;
    std::optional<std::pair<double, double>> tempPoint1_;  // first temperature point: reading, actual
    double tempGain_ = 1.0, tempOffset_ = 0.0;             // applied to the reported core temperature
    double pressureOffset_ = 0, moistureOffset_ = 0, moistureTempOffset_ = 0;

    std::uint8_t calStatus_ = 0;
    std::uint8_t calTarget_ = 0;  // CAL_Status the sensor is working toward (0: none)
    std::uint8_t energy_ = 100;
    std::uint16_t sendIntervalTenths_ = 6;  // seconds / 10
    double clockOffset_ = 0;                // sensor clock minus host clock, seconds
};

}  // namespace talvex::sim
