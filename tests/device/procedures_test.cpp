// The five exchange procedures against the simulated sensor on a pty, on a fake clock: the exact
// requests and pauses, and what the sensor made of them.
#include <gtest/gtest.h>

#include "talvex/device/procedures.hpp"
#include "talvex/language.hpp"
#include "talvex/operations/sensor_id.hpp"
#include "talvex/testing/sim_fixture.hpp"

namespace talvex::device {
namespace {

using Lines = std::vector<std::string>;
namespace reg = sensor::reg;

class Procedures : public testing::SimFixture {};

TEST_F(Procedures, CommitWritesTheStagedRegistersThenReadsTheAcknowledgement) {
    const auto& code = *sensor::findCommitCode(sensor::commit::kOilGas);
    const std::vector<std::string> values = {"1.5", "-0.000000001"};
    const Staged staged = stageCommit(code, values);
    ASSERT_TRUE(staged.ok());
    const ProcedureResult r = commitCoefficients(io, pacer, 1, code, staged.writes);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(r.readBack, 9010);
    EXPECT_EQ(lines(), (Lines{"W 1 19 0x0000", "P 100", "W 1 20 0x0000", "P 100", "W 1 21 0x5968", "P 100",
                              "W 1 22 0x2F00", "P 100", "W 1 23 0xFFFF", "P 100", "W 1 24 0xFFFF", "P 100",
                              "W 1 25 0xFFFF", "P 100", "W 1 26 0xFFFF", "P 100", "W 1 253 0x03F2", "P 1000",
                              "R 1 253 1"}));
    // The sensor took the values: the item reads them back as it renders them.
    transcript.clear();
    EXPECT_EQ(readTextItem(io, pacer, 1, sensor::item::kOilTypeKa).text, "1.5");
}

TEST_F(Procedures, CommitOfTheTemperaturePointsWaitsTwiceAndAWrongAcknowledgementIsARefusal) {
    const auto& point = *sensor::findCommitCode(sensor::commit::kTemperaturePoint1);
    const Staged staged = stageCommit(point, std::vector<double>{70});
    EXPECT_EQ(commitCoefficients(io, pacer, 1, point, staged.writes).outcome, Outcome::Done);
    const Lines l = lines();
    EXPECT_EQ(Lines(l.end() - 4, l.end()), (Lines{"W 1 253 0x0044", "P 100", "P 1000", "R 1 253 1"}));

    bus->pokeRegister(1, reg::kCommit, 0);
    const auto& oil = *sensor::findCommitCode(sensor::commit::kOilGas);
    const ProcedureResult refused =
        commitCoefficients(io, pacer, 1, oil, stageCommit(oil, std::vector<double>{1, 2}).writes, 500);
    EXPECT_EQ(refused.outcome, Outcome::Refused);
    EXPECT_EQ(refused.readBack, 0);
    EXPECT_EQ(pacer.pauses.back(), 500) << "the caller's wait replaces the table's";
}

TEST_F(Procedures, ACommitWhoseWriteWasLostIsNotConfirmedWhatever253Reads) {
    const auto& oil = *sensor::findCommitCode(sensor::commit::kOilGas);
    ASSERT_TRUE(
        commitCoefficients(io, pacer, 1, oil, stageCommit(oil, std::vector<double>{1.5, 2}).writes).done());
    const Staged next = stageCommit(oil, std::vector<double>{3, 4});
    // Lost on the way (the sensor never acts on it) or only its echo lost (the sensor took it): 253
    // reads 9010 afterwards either way, from the commit before or from this one.
    for (const bool replyOnly : {false, true}) {
        SCOPED_TRACE(replyOnly);
        sim::Faults faults;
        faults.lost = {{1, reg::kCommit, 1, replyOnly}};
        bus->setFaults(faults);
        transcript.clear();
        const ProcedureResult r = commitCoefficients(io, pacer, 1, oil, next.writes);
        EXPECT_EQ(r.outcome, Outcome::CommunicationFailure);
        EXPECT_TRUE(r.commitUnconfirmed);
        EXPECT_EQ(r.readBack, 9010);
        const Lines l = lines();
        EXPECT_EQ(Lines(l.end() - 3, l.end()), (Lines{"W 1 253 0x03F2", "P 1000", "R 1 253 1"}));
        EXPECT_EQ(l.size(), 19u);
        // What the operator is told: not confirmed, and the values as the sensor now shows them.
        transcript.clear();
        const std::string told = commitNotConfirmedText(io, pacer, 1, oil);
        EXPECT_EQ(lines(), (Lines{"W 1 254 0x0A2C", "P 100", "R 1 191 10", "P 100", "R 1 254 1",
                                  "W 1 254 0x0A2D", "P 100", "R 1 191 10", "P 100", "R 1 254 1"}));
        EXPECT_EQ(told, GetText("IDS_CommitNotConfirmed") + "\n" + GetText("IDS_CommitSensorShows") +
                            (replyOnly ? "\nOilType_Ka: 3.0\nOilType_Kb: 4.0"
                                       : "\nOilType_Ka: 1.5\nOilType_Kb: 2.0"));
    }
    // The temperature points stop at the lost commit write.
    const auto& point = *sensor::findCommitCode(sensor::commit::kTemperaturePoint1);
    sim::Faults faults;
    faults.lost = {{1, reg::kCommit, 1, false}};
    bus->setFaults(faults);
    transcript.clear();
    const ProcedureResult r =
        commitCoefficients(io, pacer, 1, point, stageCommit(point, std::vector<double>{70}).writes);
    EXPECT_EQ(r.outcome, Outcome::CommunicationFailure);
    EXPECT_TRUE(r.commitUnconfirmed);
    EXPECT_EQ(lines().back(), "W 1 253 0x0044");
}

TEST_F(Procedures, AnAcknowledgedItemWhoseWindowWasNotReadIsNoText) {
    // Both window reads refused while 254 acknowledges: a communication failure, not an empty text.
    sim::Faults faults;
    faults.exceptions = {{1, reg::kTextWindow, sim::kIllegalAddress}};
    bus->setFaults(faults);
    TextResult r = readTextItem(io, pacer, 1, 2551);
    EXPECT_EQ(r.outcome, Outcome::CommunicationFailure);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(lines(), (Lines{"W 1 254 0x09F7", "P 100", "R 1 191 10", "P 100", "R 1 254 1", "P 10",
                              "W 1 254 0x09F7", "P 100", "R 1 191 10", "P 1000", "R 1 254 1"}));
    // The first window read lost on the line (and the master's own retry of it): the procedure's
    // retry reads the text.
    faults.exceptions.clear();
    faults.lost = {{1, reg::kTextWindow, 1, false}, {1, reg::kTextWindow, 2, false}};
    bus->setFaults(faults);
    transcript.clear();
    r = readTextItem(io, pacer, 1, 2551);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(r.text, "0.000");
    EXPECT_EQ(lines().size(), 11u);
}

TEST_F(Procedures, ItemReadSucceedsOnTheAcknowledgementAndRetriesOnce) {
    TextResult r = readTextItem(io, pacer, 1, 2551);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(r.text, "0.000");
    EXPECT_EQ(lines(), (Lines{"W 1 254 0x09F7", "P 100", "R 1 191 10", "P 100", "R 1 254 1"}));

    // A code the sensor does not know never reads back as ten times itself: one retry, then failure.
    transcript.clear();
    r = readTextItem(io, pacer, 1, 2609);
    EXPECT_EQ(r.outcome, Outcome::Refused);
    EXPECT_EQ(lines(), (Lines{"W 1 254 0x0A31", "P 100", "R 1 191 10", "P 100", "R 1 254 1", "P 10",
                              "W 1 254 0x0A31", "P 100", "R 1 191 10", "P 1000", "R 1 254 1"}));

    // A register 254 that reads 25510 whatever was asked: only 2551 succeeds.
    bus->pokeRegister(1, reg::kTextItem, 25510);
    EXPECT_TRUE(readTextItem(io, pacer, 1, 2551).done());
    EXPECT_FALSE(readTextItem(io, pacer, 1, 2552).done());
}

TEST_F(Procedures, TextWritesTheTenRegistersThenTheCommitCode) {
    const Encoded text = encodeText20("Product model", "M12");
    ASSERT_TRUE(text.ok());
    const auto regs = std::span<const std::uint16_t, 10>(text.registers.data(), 10);
    EXPECT_TRUE(
        writeText(io, pacer, 1, *sensor::findTextWrite(sensor::textcode::kProductModel), regs).done());
    Lines expected = {"W 1 31 0x314D", "P 100", "W 1 32 0x0032", "P 100"};
    for (int r = 33; r <= 40; ++r)
        expected.insert(expected.end(), {"W 1 " + std::to_string(r) + " 0x0000", "P 100"});
    expected.insert(expected.end(), {"P 10", "W 1 254 0x0A0C", "P 100"});
    EXPECT_EQ(lines(), expected);
    std::uint16_t back[10];
    ASSERT_EQ(io.readHolding(1, reg::kProductModel, 10, back), 0);
    EXPECT_EQ(decodeText20(back), "M12");

    // The signer's name: 10 ms after each register, the commit at once, then 10 ms.
    transcript.clear();
    const Encoded signer = encodeText20("Signer", "李工");
    EXPECT_TRUE(writeText(io, pacer, 1, *sensor::findTextWrite(sensor::textcode::kSigner),
                          std::span<const std::uint16_t, 10>(signer.registers.data(), 10))
                    .done());
    const Lines l = lines();
    EXPECT_EQ(l[1], "P 10");
    EXPECT_EQ(Lines(l.end() - 3, l.end()), (Lines{"P 10", "W 1 254 0x0A0B", "P 10"}));
    EXPECT_EQ(readTextItem(io, pacer, 1, sensor::item::kSigner).text, "李工");
}

TEST_F(Procedures, CommandIsAcknowledgedByItselfShiftedLeftByFour) {
    struct Case {
        std::uint16_t command;
        Outcome outcome;
        std::uint16_t readBack;
    };
    const Case cases[] = {{0x0410, Outcome::Done, 0x4100},
                          {0x0101, Outcome::Done, 0x1010},
                          {0x11, Outcome::Done, 0x0110},
                          {0x0777, Outcome::Refused, 0xFFFF}};
    for (const Case& c : cases) {
        transcript.clear();
        const ProcedureResult r = sendCommand(io, pacer, 1, c.command, std::chrono::milliseconds(200));
        EXPECT_EQ(r.outcome, c.outcome) << c.command;
        EXPECT_EQ(r.readBack, c.readBack) << c.command;
        EXPECT_EQ(lines(), (Lines{"W 1 160 " + talvex::testing::hex4(c.command), "P 200", "R 1 160 1"}));
    }
    bus->model().withSensor(1, [](sim::Sensor& s) { s.setNotFitted(true, false); });
    const ProcedureResult notFitted = sendCommand(io, pacer, 1, 0x0101, std::chrono::milliseconds(1000));
    EXPECT_EQ(notFitted.outcome, Outcome::Refused);
    EXPECT_EQ(notFitted.readBack, 0x1000);
}

TEST_F(Procedures, FineAdjustmentReadsItsOwnAddressOr404) {
    ProcedureResult r = fineAdjust(io, pacer, 1, reg::kFineAdjust50, 100);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(lines(), (Lines{"W 1 169 0x0064", "P 1000", "R 1 169 1"}));
    r = fineAdjust(io, pacer, 1, reg::kFineAdjust110, 0);  // 0 ppm: the sensor refuses
    EXPECT_EQ(r.outcome, Outcome::Refused);
    EXPECT_EQ(r.readBack, sensor::kFineAdjustRefused);
}

TEST_F(Procedures, ACancelledPacerEndsAtTheNextPauseAndAFailedRequestEndsTheProcedure) {
    const auto& oil = *sensor::findCommitCode(sensor::commit::kOilGas);
    const auto staged = stageCommit(oil, std::vector<double>{1, 2}).writes;
    pacer.cancel();
    EXPECT_EQ(commitCoefficients(io, pacer, 1, oil, staged).outcome, Outcome::Cancelled);
    EXPECT_TRUE(lines().empty());

    talvex::testing::RecordingPacer fresh(transcript);
    sim::Faults faults;
    faults.exceptions = {{1, 21, sim::kIllegalAddress}};  // the third staged register fails
    bus->setFaults(faults);
    EXPECT_EQ(commitCoefficients(io, fresh, 1, oil, staged).outcome, Outcome::CommunicationFailure);
    EXPECT_EQ(lines(), (Lines{"W 1 19 0x0000", "P 100", "W 1 20 0x0000", "P 100", "W 1 21 0x3B9A"}));
}

TEST_F(Procedures, SensorIdChangeAndBusSearch) {
    using namespace talvex::operations;
    EXPECT_TRUE(changeSensorId(io, pacer, 1, 7).done());
    EXPECT_EQ(lines(), (Lines{"W 1 150 0x0007", "P 500", "R 7 150 1"}));
    // Silent addresses cost a time-out each, so the search here covers the moved sensor and the
    // addresses the master never sends to (they fail at once).
    std::vector<std::pair<int, bool>> seen;
    const auto note = [&](int c, bool found) { seen.emplace_back(c, found); };
    EXPECT_EQ(searchBus(io, pacer, note, 7, 7).found, std::vector<int>{7});
    const BusSearch none = searchBus(io, pacer, note, 248, 249);
    EXPECT_TRUE(none.completed);
    EXPECT_TRUE(none.found.empty());
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{7, true}, {248, false}, {249, false}}));
    pacer.cancel();
    EXPECT_FALSE(searchBus(io, pacer, note, 7, 7).completed);
}

}  // namespace
}  // namespace talvex::device
