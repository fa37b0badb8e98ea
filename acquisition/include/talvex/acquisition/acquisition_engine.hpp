// The acquisition engine: owns the poller thread and runs the polling cycle over the link arbiter,
// the measurement database and the record store. Front ends set its flags and take its pending log
// text and chart points when the hooks announce them (the GUI turns the hooks into queued signals).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/acquisition/measurement.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/pending.hpp"
#include "talvex/acquisition/poll_schedule.hpp"
#include "talvex/acquisition/record_store.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/sensor_model.hpp"

namespace talvex::acquisition {

// Reads `count` holding registers from `start` of `slave` into dest (2 bytes each, wire order);
// returns an RTU result code. Front ends pass rtuRegisterReader(), tests may script their own.
using RegisterReader = std::function<int(int slave, int start, int count, std::uint8_t* dest)>;

// RTUReadHoldingRegisters of the process-wide master (kept in its own file, so that users of the
// engine that script their reads need not link the RTU library).
RegisterReader rtuRegisterReader();

// Why a poll failed, in the active language: "time-out", "CRC error", "exception 2", "port closed",
// "malformed reply" (echo or byte count wrong), for an RTU result code.
std::string pollFailureReason(int result, const TextLookup& text);

struct EngineOptions {
    std::string databasePath;                // SensorDB.db of the data directory
    SensorModel model = SensorModel::None;   // None polls as ModelKA..KE
    TextLookup text;                         // GetText in the application
    RegisterReader read;                     // rtuRegisterReader() in front ends; empty fails
    std::function<std::uint64_t()> clockMs;  // monotonic ms; empty: steady clock
    std::function<LocalTime()> localTime;    // empty: the system's local time
    std::function<void(int ms)> sleepMs;     // the pause between reads; empty: real sleep
};

class AcquisitionEngine {
  public:
    AcquisitionEngine(LinkArbiter& arbiter, RecordStore& store, Session& session, EngineOptions options);
    ~AcquisitionEngine();
    AcquisitionEngine(const AcquisitionEngine&) = delete;
    AcquisitionEngine& operator=(const AcquisitionEngine&) = delete;

    // Starts the poller thread (auto-read on). It idles until the arbiter's gate opens.
    void start();
    // Ends the thread after the slot in progress; closes the database connection.
    void stop();
    bool running() const { return thread_.joinable(); }

    // Runs one poll cycle on the calling thread (the CLI's --once, tests). Returns the number of
    // slots polled successfully. Must not be called while the thread runs.
    int runCycle();

    // Flags, each read by the poller without a lock.
    void setAutoRead(bool on) {
        autoRead_ = on;
        arbiter_.wakeAll();
    }
    bool autoRead() const { return autoRead_; }
    void setSaveToDatabase(bool on) { saveToDb_ = on; }
    bool saveToDatabase() const { return saveToDb_; }
    void setWirelessDcuMode(bool on) { wirelessDcu_ = on; }
    bool wirelessDcuMode() const { return wirelessDcu_; }
    void setLogging(bool on) { logging_ = on; }
    bool logging() const { return logging_; }
    void setModel(SensorModel m) { model_ = m; }

    // Last run-status word read from the selected sensor.
    std::uint16_t selectedStatusWord() const { return statusWord_; }

    // Pending log text and live chart points: set a hook, take the contents when it fires.
    PendingLog& log() { return log_; }
    // Lines the user must see whatever the log settings (records not being stored, and when storing
    // works again); each said once per change. A front end shows them in the window or on stderr.
    PendingLog& notices() { return notices_; }
    // Records the database refused since the engine was made (each was dropped, as a refused insert
    // always drops its record).
    std::uint64_t droppedRecords() const { return dropped_; }
    ChartQueue& chartPoints() { return chart_; }
    // Called on the poller thread for every record distributed (after it was stored).
    void setRecordHook(std::function<void(const TextRecord&)> hook);
    // Called on the poller thread after every poll of a sensor: its measurement, or null when the
    // poll failed (time: the poll's local time text). Alarms watch this; a concentrator's nodes,
    // which share its ID, report only the concentrator's failures.
    using PollHook = std::function<void(std::uint8_t id, const Measurement* m, const std::string& time)>;
    void setPollHook(PollHook hook);

    PollSchedule& schedule() { return schedule_; }

  private:
    void threadBody();
    int cycle(bool onThread);
    bool pollSlot(int slot, const ChannelEntry& ch);
    bool pollStandard(std::uint8_t id, const LocalTime& time);
    bool pollWireless(std::uint8_t id, const LocalTime& time);
    // result: 0, or the RTU result code of the read that failed (its reason joins the line).
    void logLine(const std::string& timestamp, std::uint8_t id, int result);
    void emitRecord(const TextRecord& texts);
    void emitPoll(std::uint8_t id, const Measurement* m, const std::string& time);
    // Inserts into SensorData; false when the database refused the record (counted and, on the first
    // refusal after a success, announced with SQLite's reason).
    bool store(const TextRecord& texts);
    void notice(const std::string& line);
    int readRegs(int slave, int start, int count, std::uint8_t* dest);
    std::uint64_t nowMs() const;
    void sleep(int ms);

    LinkArbiter& arbiter_;
    RecordStore& store_;
    Session& session_;
    EngineOptions options_;
    MeasurementDb db_;       // the poller's connection; used only on the poller thread
    PollSchedule schedule_;  // used only on the poller thread
    PendingLog log_;
    PendingLog notices_;
    ChartQueue chart_;
    std::atomic<std::uint64_t> dropped_{0};
    std::uint64_t droppedInOutage_ = 0;  // poller thread only
    bool storing_ = true;                // poller thread only: the last insert succeeded

    std::atomic<bool> autoRead_{true}, saveToDb_{true}, wirelessDcu_{false}, logging_{true};
    std::atomic<SensorModel> model_;
    std::atomic<std::uint16_t> statusWord_{0};
    std::atomic<bool> runFlag_{false};

    std::mutex hookMutex_;  // guards recordHook_ and pollHook_
    std::function<void(const TextRecord&)> recordHook_;
    PollHook pollHook_;
    std::thread thread_;
};

}  // namespace talvex::acquisition
