#include "talvex/acquisition/acquisition_engine.hpp"

#include <chrono>
#include <ctime>
#include <vector>

#include "talvex/acquisition/decode.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"

namespace talvex::acquisition {
namespace {

LocalTime systemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

constexpr int kCycleFloorMs = 100;  // a cycle lasts at least this long
constexpr int kIdleMs = 200;        // an idle poller looks at its flags this often
constexpr int kStatusPauseMs = 30;  // between the measurement block and the status read
namespace reg = sensor::reg;

EngineOptions withDefaults(EngineOptions o) {
    if (!o.text) o.text = [](std::string_view key) { return GetText(key); };
    return o;
}

}  // namespace

AcquisitionEngine::AcquisitionEngine(LinkArbiter& arbiter, RecordStore& store, Session& session,
                                     EngineOptions options)
    : arbiter_(arbiter),
      store_(store),
      session_(session),
      options_(withDefaults(std::move(options))),
      db_(options_.databasePath, &log_, options_.text),
      model_(options_.model) {}

AcquisitionEngine::~AcquisitionEngine() {
    stop();
}

void AcquisitionEngine::setRecordHook(std::function<void(const TextRecord&)> hook) {
    std::lock_guard lock(hookMutex_);
    recordHook_ = std::move(hook);
}

void AcquisitionEngine::setPollHook(PollHook hook) {
    std::lock_guard lock(hookMutex_);
    pollHook_ = std::move(hook);
}

void AcquisitionEngine::start() {
    if (thread_.joinable()) return;
    runFlag_ = true;
    autoRead_ = true;
    thread_ = std::thread([this] { threadBody(); });
}

void AcquisitionEngine::stop() {
    if (!thread_.joinable()) return;
    runFlag_ = false;
    arbiter_.wakeAll();
    thread_.join();
}

std::uint64_t AcquisitionEngine::nowMs() const {
    if (options_.clockMs) return options_.clockMs();
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void AcquisitionEngine::sleep(int ms) {
    if (options_.sleepMs)
        options_.sleepMs(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int AcquisitionEngine::readRegs(int slave, int start, int count, std::uint8_t* dest) {
    // No reader means no link: every read fails as an unsent request would. Only the low 16 bits
    // of a result code carry the outcome.
    return (options_.read ? options_.read(slave, start, count, dest) : RTU_ERR_SEND) & 0xFFFF;
}

void AcquisitionEngine::threadBody() {
    while (runFlag_) {
        if (autoRead_ && arbiter_.gate() != 0) {
            const std::uint64_t t0 = nowMs();
            cycle(true);
            const std::uint64_t elapsed = nowMs() - t0;
            if (elapsed < kCycleFloorMs)
                arbiter_.waitFor(std::chrono::milliseconds(kCycleFloorMs - elapsed),
                                 [&] { return !runFlag_; });
        } else {
            // Idle until the gate opens, auto-read is switched on, or the engine stops.
            arbiter_.waitFor(std::chrono::milliseconds(kIdleMs), [&] { return !runFlag_; });
        }
    }
    db_.close();
}

int AcquisitionEngine::runCycle() {
    return cycle(false);
}

int AcquisitionEngine::cycle(bool onThread) {
    if (session_.scheduleReset.exchange(false)) schedule_.reset();
    int polled = 0;
    for (int slot = 1; slot <= kChannelCount; ++slot) {
        if (onThread && !runFlag_) break;  // stop() ends the cycle between slots
        if (!arbiter_.enterPoll()) break;
        const ChannelEntry ch = session_.enumUintEN.get(slot);
        if (!schedule_.begin(slot, ch, nowMs())) {
            arbiter_.leavePoll();
            continue;
        }
        if (pollSlot(slot, ch)) {
            schedule_.pollSucceeded(slot);
            ++polled;
        }
    }
    return polled;
}

// Runs with the link entered; leaves it as soon as the slot's requests are done.
bool AcquisitionEngine::pollSlot(int, const ChannelEntry& ch) {
    const LocalTime time = options_.localTime ? options_.localTime() : systemLocalTime();
    return wirelessDcu_ ? pollWireless(ch.sensorId, time) : pollStandard(ch.sensorId, time);
}

void AcquisitionEngine::logLine(const std::string& timestamp, std::uint8_t id, int result) {
    if (!logging_) return;
    const char* key = result == 0 ? "IDS_Tab_Acquisition_PollSucceed" : "IDS_Tab_Acquisition_PollFailed";
    log_.append(timestamp);
    log_.append("  ID" + std::to_string(id) + " ");
    log_.append(options_.text(key));
    if (result != 0) log_.append(" (" + pollFailureReason(result, options_.text) + ")");
    log_.append("\r\n");
    log_.announce();
}

bool AcquisitionEngine::store(const TextRecord& texts) {
    if (db_.insert(texts) == 0) {
        if (!storing_) {
            storing_ = true;
            notice(options_.text("IDS_Safety_RecordsStoredAgain") + " " + std::to_string(droppedInOutage_));
            droppedInOutage_ = 0;
        }
        return true;
    }
    ++dropped_;
    ++droppedInOutage_;
    if (storing_) {
        storing_ = false;
        notice(options_.text("IDS_Safety_RecordsNotStored") + " (" + db_.lastError() + ")");
    }
    return false;
}

void AcquisitionEngine::notice(const std::string& line) {
    notices_.append(line + "\r\n");
    notices_.announce();
}

void AcquisitionEngine::emitRecord(const TextRecord& texts) {
    std::lock_guard lock(hookMutex_);
    if (recordHook_) recordHook_(texts);
}

void AcquisitionEngine::emitPoll(std::uint8_t id, const Measurement* m, const std::string& time) {
    std::lock_guard lock(hookMutex_);
    if (pollHook_) pollHook_(id, m, time);
}

bool AcquisitionEngine::pollStandard(std::uint8_t id, const LocalTime& time) {
    const std::string timestamp = formatTimestamp(time);
    std::uint8_t main[kMainBlockBytes], status[kStatusBytes], extra[kExtraBlockBytes];
    const SensorModel model = model_;
    int result = readRegs(id, reg::kMeasurementBlock, reg::kMeasurementCount, main);
    MainBlock m;
    std::uint16_t word = 0;
    if (result == 0) {
        m = decodeMainBlock(main, model, false);
        sleep(kStatusPauseMs);
        result = readRegs(id, reg::kStatus, reg::kStatusCount, status);
    }
    if (result == 0) {
        word = decodeStatusWord(status);
        if (id == session_.selectedSensorId) statusWord_ = word;
        result = readRegs(id, reg::kPressureBlock, reg::kPressureBlockCount, extra);
    }
    arbiter_.leavePoll();
    logLine(timestamp, id, result);
    if (result != 0) {
        emitPoll(id, nullptr, timestamp);
        return false;
    }

    const ExtraBlock e = decodeExtraBlock(extra);
    Measurement rec{id, time, m.h2dg, m.h2ag, m.temp, m.dayRoc, e.pr, e.wt, word};
    const StoredRecord stored(rec);
    const TextRecord texts = stored.texts();
    // Alarms watch the sensor, not the database: a record the database refused still raises one.
    emitPoll(id, &rec, timestamp);
    // Database first: a record the database refused goes nowhere else.
    if (saveToDb_ && !store(texts)) return true;
    store_.append(RecordStore::keyOf(id), stored);
    if (id == session_.selectedSensorId) chart_.push({chartValue(model, m), m.temp});
    emitRecord(texts);
    return true;
}

bool AcquisitionEngine::pollWireless(std::uint8_t id, const LocalTime& time) {
    const std::string timestamp = formatTimestamp(time);
    const std::string key = RecordStore::keyOf(id);
    // All 16 nodes are read first and the link is left before anything is stored: 16 transactions
    // inside the slot would keep a disconnect or a page's hold waiting for the database.
    std::vector<StoredRecord> nodes;
    nodes.reserve(reg::kConcentratorNodes);
    int result = 0;
    for (int node = 1; result == 0 && node <= reg::kConcentratorNodes; ++node) {
        std::uint8_t main[kMainBlockBytes], status[kStatusBytes], extra[kExtraBlockBytes];
        result = readRegs(id, reg::nodeRegister(node, reg::kMeasurementBlock), reg::kMeasurementCount, main);
        std::uint16_t word = 0;
        if (result == 0)
            result = readRegs(id, reg::nodeRegister(node, reg::kStatus), reg::kStatusCount, status);
        if (result == 0) {
            word = decodeStatusWord(status);
            if (id == session_.selectedSensorId) statusWord_ = word;
            result =
                readRegs(id, reg::nodeRegister(node, reg::kPressureBlock), reg::kPressureBlockCount, extra);
        }
        if (result != 0) break;
        const MainBlock m = decodeMainBlock(main, model_, true);
        const ExtraBlock e = decodeExtraBlock(extra);
        nodes.emplace_back(Measurement{id, time, m.h2dg, m.h2ag, m.temp, m.dayRoc, e.pr, e.wt, word});
    }
    arbiter_.leavePoll();
    for (const StoredRecord& stored : nodes) {
        logLine(timestamp, id, 0);
        const TextRecord texts = stored.texts();
        if (saveToDb_ && !store(texts)) continue;
        if (id == session_.selectedSensorId) store_.appendToDisplay(key, stored);
        emitRecord(texts);
    }
    if (result != 0) {
        logLine(timestamp, id, result);
        emitPoll(id, nullptr, timestamp);
    }
    return result == 0;
}

std::string pollFailureReason(int result, const TextLookup& text) {
    const int code = result & 0xFFFF;
    if (code > RTU_EXCEPTION && code <= RTU_EXCEPTION + 0xFF) {
        std::string t = text("IDS_FirstUse_PollException");
        if (const auto at = t.find("%d"); at != std::string::npos)
            t.replace(at, 2, std::to_string(code - RTU_EXCEPTION));
        return t;
    }
    switch (code) {
        case RTU_ERR_TIMEOUT:
            return text("IDS_FirstUse_PollTimeout");
        case RTU_ERR_CRC:
            return text("IDS_FirstUse_PollCrc");
        case RTU_ERR_SEND:
            return text("IDS_FirstUse_PollPortClosed");  // also every request on a closed port
        default:
            return text("IDS_FirstUse_PollBadReply");
    }
}

}  // namespace talvex::acquisition
