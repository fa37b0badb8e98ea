// The history read on a fake clock against a scripted line (silences, Stop, N, a closing port), and
// the history exchanges against the simulator over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "history_streams.hpp"
#include "talvex/acquisition/history_read.hpp"
#include "talvex/acquisition/history_requests.hpp"
#include "talvex/history_registers.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"
#include "talvex/serial_port.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/recording_register_io.hpp"
#include "talvex/testing/sim_link.hpp"

namespace talvex::acquisition {
namespace {

using namespace test;
using talvex::testing::RecordingPacer;
using talvex::testing::RecordingRegisterIo;
using talvex::testing::Transcript;

// A line that answers the history start with scripted pieces: each read returns the next piece (an
// empty piece is a read that times out with nothing); after the script the line stays silent.
class ScriptedLine : public RegisterIo {
  public:
    explicit ScriptedLine(std::vector<Bytes> pieces) : pieces_(std::move(pieces)) {}
    int readHolding(int, int, int, std::uint16_t*) override { return RTU_ERR_SEND; }
    int writeSingle(int, int, std::uint16_t) override { return RTU_ERR_SEND; }
    int writeMultiple(int, int, int, const std::uint16_t*) override { return RTU_ERR_SEND; }
    int startHistoryOutput(int) override {
        ++starts;
        return startResult;
    }
    int readBytes(std::uint8_t* dest, int count) override {
        readSizes.push_back(count);
        if (next_ >= pieces_.size()) {
            if (closeAtEnd) open = false;
            return 0;
        }
        Bytes& p = pieces_[next_];
        const int n = std::min<int>(count, static_cast<int>(p.size()));
        std::copy_n(p.begin(), n, dest);
        p.erase(p.begin(), p.begin() + n);
        if (p.empty()) ++next_;
        return n;
    }
    bool isOpen() const override { return open; }

    int startResult = 0;
    int starts = 0;
    bool open = true;
    bool closeAtEnd = false;
    std::vector<int> readSizes;
    std::size_t piecesLeft() const { return pieces_.size() - next_; }

  private:
    std::vector<Bytes> pieces_;
    std::size_t next_ = 0;
};

std::vector<Bytes> records(int first, int last) {
    std::vector<Bytes> out;
    for (int n = first; n <= last; ++n) out.push_back(v2Record(numbered(n)));
    return out;
}

std::vector<Bytes> silence(int reads) {
    return std::vector<Bytes>(static_cast<std::size_t>(reads));
}

std::vector<Bytes> join(std::initializer_list<std::vector<Bytes>> parts) {
    std::vector<Bytes> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

HistoryReadRequest v2Request(std::uint32_t n) {
    HistoryReadRequest r;
    r.format = HistoryFormat::V2;
    r.count = n;
    return r;
}

struct SilenceCase {
    const char* name;
    std::vector<Bytes> pieces;
    std::uint32_t n;
    std::size_t records;
    std::int64_t endMs;  // fake clock when the read gave up (10 ms per silent read)
};

TEST(HistoryRead, EndsOnSilence) {
    const Bytes whole = v2Record(numbered(9));
    const SilenceCase cases[] = {
        {"nothing at all: 15 s", {}, 0, 0, 15010},
        {"N = 0 ends 5 s after the last byte", records(1, 3), 0, 3, 5010},
        {"fewer than N: 5 s after the last byte", records(1, 2), 10, 2, 5010},
        {"a 4.99 s gap does not end it", join({records(1, 1), silence(499), records(2, 2)}), 0, 2,
         4990 + 5010},
        {"first byte at 14.99 s, then 5 s", join({silence(1499), records(1, 1)}), 0, 1, 14990 + 5010},
        {"a record split over many reads",
         join({{Bytes(whole.begin(), whole.begin() + 3)},
               silence(50),
               {Bytes(whole.begin() + 3, whole.begin() + 20)},
               silence(50),
               {Bytes(whole.begin() + 20, whole.end())}}),
         0, 1, 1000 + 5010},
    };
    for (const auto& c : cases) {
        ScriptedLine line(c.pieces);
        FakePacer pacer;
        const HistoryReadResult r = readHistory(line, pacer, v2Request(c.n));
        EXPECT_EQ(r.end, HistoryReadEnd::Silence) << c.name;
        EXPECT_EQ(r.table.records.size(), c.records) << c.name;
        EXPECT_EQ(pacer.nowMs(), c.endMs) << c.name;
        EXPECT_EQ(line.starts, 1) << c.name;
    }
}

TEST(HistoryRead, StopsAtNWithoutReadingOn) {
    ScriptedLine line(records(1, 5));
    FakePacer pacer;
    std::vector<std::pair<std::size_t, std::uint32_t>> progress;
    const HistoryReadResult r = readHistory(
        line, pacer, v2Request(3), [&](std::size_t got, std::uint32_t n) { progress.emplace_back(got, n); });
    EXPECT_EQ(r.end, HistoryReadEnd::Complete);
    ASSERT_EQ(r.table.records.size(), 3u);
    EXPECT_EQ(r.table.records[2].hydrogen, 3u);
    EXPECT_EQ(r.table.format, HistoryFormat::V2);
    EXPECT_EQ(r.table.sensorId, 1);
    EXPECT_EQ(line.piecesLeft(), 2u);
    EXPECT_EQ(progress, (std::vector<std::pair<std::size_t, std::uint32_t>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_TRUE(pacer.pauses.empty());
    EXPECT_TRUE(std::all_of(line.readSizes.begin(), line.readSizes.end(),
                            [](int n) { return n == kHistoryMaxReadBytes; }));
}

TEST(HistoryRead, StopPortClosedAndFailedStartKeepWhatArrived) {
    {  // Stop after the second record: the records stay, nothing more is read.
        ScriptedLine line(records(1, 5));
        FakePacer pacer;
        const auto r = readHistory(line, pacer, v2Request(0), [&](std::size_t got, std::uint32_t) {
            if (got == 2) pacer.cancel();
        });
        EXPECT_EQ(r.end, HistoryReadEnd::Stopped);
        EXPECT_EQ(r.table.records.size(), 2u);
        EXPECT_EQ(line.piecesLeft(), 3u);
    }
    {  // Stop while the line is silent.
        ScriptedLine line(join({records(1, 1), silence(100)}));
        FakePacer pacer;
        auto r = readHistory(line, pacer, v2Request(0), [&](std::size_t, std::uint32_t) { pacer.cancel(); });
        EXPECT_EQ(r.end, HistoryReadEnd::Stopped);
        EXPECT_EQ(r.table.records.size(), 1u);
    }
    {  // The port closes under the read (disconnect, read error): it ends at once.
        ScriptedLine line(records(1, 2));
        line.closeAtEnd = true;
        FakePacer pacer;
        const auto r = readHistory(line, pacer, v2Request(10));
        EXPECT_EQ(r.end, HistoryReadEnd::PortClosed);
        EXPECT_EQ(r.table.records.size(), 2u);
        EXPECT_EQ(pacer.nowMs(), 0);
    }
    {  // The start request cannot be sent: no read at all.
        ScriptedLine line(records(1, 2));
        line.startResult = RTU_ERR_SEND;
        FakePacer pacer;
        const auto r = readHistory(line, pacer, v2Request(2));
        EXPECT_EQ(r.end, HistoryReadEnd::StartFailed);
        EXPECT_TRUE(line.readSizes.empty());
    }
}

// A sensor writes one format. Read with the other one, its records are all dropped; the read names
// the format they are in, and only then (a few damaged records in the right format do not count).
TEST(HistoryRead, RecordsOfTheOtherFormatAreNamed) {
    const auto stream = [](HistoryFormat format, int count) {
        Bytes b;
        for (int n = 1; n <= count; ++n) {
            const Bytes r = format == HistoryFormat::V2 ? v2Record(numbered(n)) : v1Record(numbered(n));
            b.insert(b.end(), r.begin(), r.end());
        }
        return b;
    };
    Bytes damagedV1 = stream(HistoryFormat::V1, 10);
    damagedV1[19 * 4 + 18] = 0x00;  // record 5 loses its end marker
    struct Case {
        const char* name;
        HistoryFormat chosen;
        Bytes bytes;
        std::size_t records;
        std::optional<HistoryFormat> other;
    };
    const Case cases[] = {
        {"V1 chosen, V2 sent", HistoryFormat::V1, stream(HistoryFormat::V2, 20), 0, HistoryFormat::V2},
        {"V2 chosen, V1 sent", HistoryFormat::V2, stream(HistoryFormat::V1, 20), 0, HistoryFormat::V1},
        {"V2 chosen and sent", HistoryFormat::V2, stream(HistoryFormat::V2, 20), 20, std::nullopt},
        {"V1 chosen and sent, one damaged", HistoryFormat::V1, damagedV1, 9, std::nullopt},
        {"nothing sent", HistoryFormat::V1, {}, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        ScriptedLine line({c.bytes});
        FakePacer pacer;
        HistoryReadRequest request;
        request.format = c.chosen;
        request.count = 20;
        const HistoryReadResult r = readHistory(line, pacer, request);
        EXPECT_EQ(r.table.records.size(), c.records) << c.name;
        EXPECT_EQ(r.otherFormat, c.other) << c.name;
    }
}

TEST(HistoryRead, ReadSizeKeepsEveryReadShort) {
    // 100 + m x bytes stays within about 300 ms at every baud rate, and never passes 16 384.
    for (const std::uint32_t baud : {1200u, 9600u, 19200u, 115200u}) {
        const int bytes = historyReadBytes(baud);
        const unsigned m = CSerialPort::characterTimeout(baud);
        EXPECT_GE(bytes, 1) << baud;
        EXPECT_LE(100 + m * static_cast<unsigned>(bytes), 300u) << baud;
    }
    EXPECT_EQ(historyReadBytes(19200), 200);
    EXPECT_EQ(historyPercent(35000, 70000), 50);
    EXPECT_EQ(historyPercent(80000, 70000), 100);
    EXPECT_EQ(historyPercent(5, 0), 0);
    EXPECT_EQ(historyPercent(4294967295u, 4294967295u), 100);
}

// The exchanges against the simulated sensor over a pseudo-terminal.
class HistorySim : public ::testing::Test {
  protected:
    void start(sim::SensorConfig sensor, bool pace = false) {
        bus_.reset();  // a second start: the old link closes before the new one opens
        sim::BusOptions o = talvex::testing::quietBus({sensor});
        o.pace = pace;
        bus_ = std::make_unique<talvex::testing::SimLink>(std::move(o));
        ASSERT_TRUE(bus_->linkOpen());
    }
    std::vector<std::uint16_t> writtenTo(std::uint16_t reg) const {
        std::vector<std::uint16_t> v;
        for (const auto& w : bus_->writeLog(1))
            if (w.address == reg) v.insert(v.end(), w.values.begin(), w.values.end());
        return v;
    }

    std::unique_ptr<talvex::testing::SimLink> bus_;
    Transcript transcript_;
    RecordingRegisterIo io_{rtuRegisterIo(), transcript_};
    RecordingPacer pacer_{transcript_};
};

sim::SensorConfig sensorWithHistory(int format, std::uint32_t records) {
    auto c = sim::defaultSensorConfig(1, SensorModel::KA);
    c.historyFormat = format;
    c.historyRecords = records;
    return c;
}

TEST_F(HistorySim, CountIntervalAndStoredCountRequests) {
    start(sensorWithHistory(2, 70000));
    using namespace sensor::history;
    EXPECT_TRUE(requestRecordCount(io_, pacer_, 1, 70000).done());
    EXPECT_TRUE(writeStorageInterval(io_, pacer_, 1, 15).done());
    const StoredCount stored = readStoredCount(io_, pacer_, 1);
    EXPECT_EQ(stored.result, 0);
    EXPECT_EQ(stored.count, 70000u);
    EXPECT_EQ(transcript_.lines(),
              (std::vector<std::string>{"W 1 99 0x0001", "P 100", "P 1000", "W 1 100 0x1170", "P 100",
                                        "W 1 157 0x000F", "P 100", "R 1 102 2", "P 10"}));
    EXPECT_EQ(writtenTo(kRequestedCountHigh), std::vector<std::uint16_t>{1});
    EXPECT_EQ(writtenTo(kRequestedCountLow), std::vector<std::uint16_t>{4464});
    EXPECT_EQ(writtenTo(kStorageInterval), std::vector<std::uint16_t>{15});
}

TEST_F(HistorySim, FailedHighHalfStopsTheCountRequest) {
    start(sensorWithHistory(2, 10));
    sim::Faults faults;
    faults.exceptions = {{1, sensor::history::kRequestedCountHigh, 4}};
    bus_->setFaults(faults);
    const ExchangeResult failed = requestRecordCount(io_, pacer_, 1, 5);
    EXPECT_EQ(failed.outcome, Outcome::CommunicationFailure);
    EXPECT_FALSE(rtuOk(failed.rtu)) << "the failed request's code names the fault";
    EXPECT_EQ(transcript_.lines(), (std::vector<std::string>{"W 1 99 0x0000", "P 100"}));
    // Stopped: an outcome of its own, never an RTU code, and nothing more is sent.
    transcript_.clear();
    pacer_.cancel();
    EXPECT_EQ(requestRecordCount(io_, pacer_, 1, 5).outcome, Outcome::Cancelled);
    EXPECT_EQ(writeStorageInterval(io_, pacer_, 1, 5).outcome, Outcome::Cancelled);
    EXPECT_EQ(readStoredCount(io_, pacer_, 1).outcome, Outcome::Cancelled);
    EXPECT_TRUE(transcript_.lines().empty());
}

TEST_F(HistorySim, ReadsBothFormatsAndLosesOnlyTheDamagedRecord) {
    struct Case {
        int format;
        std::uint32_t corrupt;
        std::size_t expected;
        std::uint64_t dropped;
    };
    for (const Case c : {Case{1, 0, 25, 0}, Case{2, 0, 25, 0}, Case{2, 7, 24, 1}}) {
        auto sensor = sensorWithHistory(c.format, 40);
        sensor.historyCorruptRecord = c.corrupt;
        start(sensor);
        transcript_.clear();
        ASSERT_TRUE(requestRecordCount(io_, pacer_, 1, 25).done());
        HistoryReadRequest request;
        request.format = c.format == 2 ? HistoryFormat::V2 : HistoryFormat::V1;
        request.count = static_cast<std::uint32_t>(
            c.expected);  // what can arrive: the read ends on it instead of on silence
        request.readBytes = historyReadBytes(19200);
        const HistoryReadResult r = readHistory(io_, pacer_, request);
        EXPECT_EQ(r.end, HistoryReadEnd::Complete) << c.format << "/" << c.corrupt;
        EXPECT_EQ(r.table.records.size(), c.expected);
        // Each 0x5A among the damaged record's data bytes (they follow the simulator's clock) is a false
        // start that is dropped as well before the next record; the records themselves are exact.
        EXPECT_GE(r.dropped, c.dropped);
        EXPECT_LE(r.dropped, c.dropped * 3);
        EXPECT_EQ(r.bytes, 25u * (c.format == 2 ? 28 : 19));
        EXPECT_EQ(transcript_.lines().back(), "H 1");
        // On the storage grid of the sensor clock: whole minutes.
        const std::string first = historyField(r.table, 0, kHistTime);
        EXPECT_EQ(first.size(), 19u);
        EXPECT_EQ(first.substr(16), ":00") << first;
        TearDown();
    }
}

TEST_F(HistorySim, PausedStreamPacedAtTheLineStillArrivesWhole) {
    auto sensor = sensorWithHistory(2, 12);
    sensor.historyPauseAfter = 6;
    sensor.historyPause = sim::Millis(1200);
    start(sensor, /*pace=*/true);
    ASSERT_TRUE(requestRecordCount(io_, pacer_, 1, 12).done());
    pacer_.pauses.clear();
    HistoryReadRequest request;
    request.format = HistoryFormat::V2;
    request.count = 12;
    request.readBytes = historyReadBytes(19200);
    const HistoryReadResult r = readHistory(io_, pacer_, request);
    EXPECT_EQ(r.end, HistoryReadEnd::Complete);
    EXPECT_EQ(r.table.records.size(), 12u);
    EXPECT_FALSE(pacer_.pauses.empty()) << "the pause shows as reads without bytes";
}

}  // namespace
}  // namespace talvex::acquisition
