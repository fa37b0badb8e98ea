// Writing the fitting dialogs' fields into a simulated sensor over a real pty: the exact requests and
// pauses, the encodings of the edge values, commits by data kind and segment, the two separately
// reported commits of the temperature coefficients, and every refusal before the question.
#include <gtest/gtest.h>

#include <memory>

#include "talvex/calibration/fitting/fitting_write.hpp"
#include "talvex/calibration/fitting/piecewise_fitting.hpp"
#include "talvex/calibration/fitting/temperature_coefficient_fitting.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/recording_register_io.hpp"
#include "talvex/testing/scripted_prompter.hpp"
#include "talvex/testing/sim_link.hpp"

namespace talvex::calibration::fitting {
namespace {

using talvex::testing::hex4;
using talvex::testing::RecordingPacer;
using talvex::testing::RecordingRegisterIo;
using talvex::testing::ScriptedPrompter;
using talvex::testing::Transcript;
namespace reg = sensor::reg;
namespace commit = sensor::commit;

constexpr int kSensor = 5;

// The first read of the commit register answers 0: the sensor refuses the first commit only.
class FirstCommitRefused : public RegisterIo {
  public:
    explicit FirstCommitRefused(RegisterIo& inner) : inner_(inner) {}
    int readHolding(int slave, int address, int count, std::uint16_t* values) override {
        const int rc = inner_.readHolding(slave, address, count, values);
        if (address == reg::kCommit && !refused_) refused_ = true, values[0] = 0;
        return rc;
    }
    int writeSingle(int slave, int address, std::uint16_t value) override {
        return inner_.writeSingle(slave, address, value);
    }
    int writeMultiple(int slave, int address, int count, const std::uint16_t* values) override {
        return inner_.writeMultiple(slave, address, count, values);
    }
    int startHistoryOutput(int slave) override { return inner_.startHistoryOutput(slave); }
    int readBytes(std::uint8_t* dest, int count) override { return inner_.readBytes(dest, count); }
    bool isOpen() const override { return inner_.isOpen(); }

  private:
    RegisterIo& inner_;
    bool refused_ = false;
};

class FittingWrite : public ::testing::Test {
  protected:
    void SetUp() override {
        setActiveLanguage(Language::English);
        sim::BusOptions o = talvex::testing::quietBus({sim::defaultSensorConfig(kSensor, SensorModel::KA)});
        o.clock = talvex::testing::clockOf(pacer_);
        bus_ = std::make_unique<talvex::testing::SimLink>(std::move(o));
        ASSERT_TRUE(bus_->linkOpen());
    }
    WriteEnd run(const FittingWritePlan& plan, RegisterIo* io = nullptr) {
        EXPECT_TRUE(plan.write) << plan.refusal;
        if (!plan.write) return WriteEnd::NotConfirmed;
        RecordingRegisterIo recording(io ? *io : rtuRegisterIo(), transcript_);
        return runFittingWrite(recording, pacer_, prompter_, kSensor, *plan.write);
    }
    // The staged writes of a value, each followed by the pause, and then the commit exchange.
    static void stage(std::vector<std::string>& out, int address, std::initializer_list<unsigned> words) {
        for (unsigned w : words) {
            out.push_back("W 5 " + std::to_string(address++) + " " + hex4(w));
            out.push_back("P 100");
        }
    }
    static void commitExchange(std::vector<std::string>& out, unsigned code) {
        out.insert(out.end(), {"W 5 253 " + hex4(code), "P 1000", "R 5 253 1"});
    }

    Transcript transcript_;
    RecordingPacer pacer_{transcript_};
    ScriptedPrompter prompter_;
    std::unique_ptr<talvex::testing::SimLink> bus_;
};

Fields piecewiseValues() {
    Fields f = piecewiseFields();
    const char* texts[] = {"12.3456", "-0.000123456", "1.5",         "0",  "-0.5", "0.25",  "2",
                           "-3",      "100",          "0.000000001", "-1", "7",    "200.75"};
    for (std::size_t i = 0; i < f.size(); ++i) f[i].text = texts[i];
    return f;
}

TEST_F(FittingWrite, PiecewiseStagesThirteenValuesAndCommitsByDataKind) {
    for (auto [kind, code] : {std::pair{2, commit::kCalibrationEquation}, {1, commit::kElementResistance}}) {
        transcript_.clear();
        prompter_.clearMessages();
        EXPECT_EQ(run(planPiecewiseWrite(piecewiseValues(), kind, kSensor)), WriteEnd::Written);
        std::vector<std::string> expected;
        stage(expected, 19, {0xFFFF, 0xFFFF, 0xFFFE, 0x1DC0});   // A1 = -0.000123456 -> -123456
        stage(expected, 23, {0x0000, 0x0000, 0x5968, 0x2F00});   // B1 = 1.5
        stage(expected, 27, {0, 0, 0, 0});                       // C1 = 0
        stage(expected, 179, {0x0000, 0x0000, 0x0EE6, 0xB280});  // A2 = 0.25
        stage(expected, 183, {0x0000, 0x0000, 0x7735, 0x9400});  // B2 = 2
        stage(expected, 187, {0xFFFF, 0xFFFF, 0x4D2F, 0xA200});  // C2 = -3
        stage(expected, 231, {0x0000, 0x0000, 0x0000, 0x0001});  // A3 = 0.000000001
        stage(expected, 235, {0xFFFF, 0xFFFF, 0xC465, 0x3600});  // B3 = -1
        stage(expected, 239, {0x0000, 0x0001, 0xA13B, 0x8600});  // C3 = 7
        stage(expected, 243, {0x0000, 0x3039});                  // P0 = 12.3456 -> 12345
        stage(expected, 245, {0xFFFF, 0xFE0C});                  // P1 = -0.5 -> -500
        stage(expected, 247, {0x0001, 0x86A0});                  // P2 = 100
        stage(expected, 249, {0x0003, 0x102E});                  // P3 = 200.75
        commitExchange(expected, code);
        EXPECT_EQ(transcript_.lines(), expected) << "kind " << kind;
        EXPECT_EQ(prompter_.shown(), std::vector<std::string>{GetText("IDS_Fit_WriteOk")});
    }
    ASSERT_EQ(prompter_.questions.size(), 2u);
    const std::string& q = prompter_.questions[0];
    EXPECT_EQ(q.substr(0, q.find(" Set B1")), "Set P0 = 12.3456\r\n Set A1 = -0.000123456\r\n");
    EXPECT_NE(q.find(" Set P3 = 200.7500\r\n "), std::string::npos);
    EXPECT_EQ(q.substr(q.size() - 3), "\r\n ");
    // The sensor took the values: its write log ends with the commit.
    const auto log = bus_->writeLog(kSensor);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().address, reg::kCommit);
}

TEST_F(FittingWrite, PiecewiseOfAnotherKindStagesWithoutCommit) {
    EXPECT_EQ(run(planPiecewiseWrite(piecewiseValues(), 3, kSensor)), WriteEnd::Written);
    const auto lines = transcript_.lines();
    EXPECT_EQ(lines.size(), 2u * 44u);
    EXPECT_EQ(lines.back(), "P 100");
    EXPECT_TRUE(prompter_.shown().empty());
}

TEST_F(FittingWrite, TemperatureDifferenceWritesTheSegmentOfTheLastFit) {
    Fields low = temperatureDifferenceFields(TemperatureSegment::Low);
    for (auto& f : low) f.text = "0";
    setFieldText(low, "MID_20", "20.5");
    EXPECT_EQ(run(planTemperatureDifferenceWrite(low, TemperatureSegment::Low, 1, kSensor)),
              WriteEnd::Written);
    const auto lines = transcript_.lines();
    ASSERT_EQ(lines.size(), 2u * 36u + 3u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 8),
              (std::vector<std::string>{"W 5 19 0x0000", "P 100", "W 5 20 0x0004", "P 100", "W 5 21 0xC5E5",
                                        "P 100", "W 5 22 0x2D00", "P 100"}));
    EXPECT_EQ(lines[2 * 35], "W 5 242 0x0000");  // R_L20... and R_H20C ends at 239..242
    EXPECT_EQ(lines[lines.size() - 3], "W 5 253 " + hex4(commit::kMoisture));
    EXPECT_EQ(prompter_.questions.at(0).substr(0, 28), "Set MID_20 = 20.500000000\r\n ");
    EXPECT_NE(prompter_.questions[0].find(" Set REF_R_H20C = 0.000000000\r\n "), std::string::npos);

    // The high write after a fit of the high segment commits 1010.
    transcript_.clear();
    Fields high = temperatureDifferenceFields(TemperatureSegment::High);
    for (auto& f : high) f.text = "0";
    EXPECT_EQ(run(planTemperatureDifferenceWrite(high, TemperatureSegment::High, 2, kSensor)),
              WriteEnd::Written);
    EXPECT_EQ(transcript_.lines()[2 * 36], "W 5 253 " + hex4(commit::kOilGas));
}

TEST_F(FittingWrite, TemperatureCoefficientsCommitTwiceAndReportEachCommit) {
    Fields f = temperatureCoefficientFields();
    for (auto [name, text] :
         {std::pair{"ST_A", "0"}, {"ST_B", "1"}, {"ST_C", "0.5"}, {"STC_a", "1"}, {"STC_b", "0"}})
        setFieldText(f, name, text);
    FirstCommitRefused refusing(rtuRegisterIo());
    EXPECT_EQ(run(planTemperatureCoefficientWrite(f, kSensor), &refusing), WriteEnd::Refused);
    std::vector<std::string> expected;
    stage(expected, 19, {0, 0, 0, 0});
    stage(expected, 23, {0x0000, 0x0000, 0x3B9A, 0xCA00});
    stage(expected, 27, {0x0000, 0x0000, 0x1DCD, 0x6500});  // ST_C = 0.5
    commitExchange(expected, commit::kTemperatureCoefficients);
    stage(expected, 19, {0x0000, 0x0000, 0x3B9A, 0xCA00});
    stage(expected, 23, {0, 0, 0, 0});
    commitExchange(expected, commit::kTemperatureCalibration);
    EXPECT_EQ(transcript_.lines(), expected);
    EXPECT_EQ(prompter_.shown(),
              (std::vector<std::string>{GetText("IDS_Fit_WriteFailed"), GetText("IDS_Fit_WriteOk")}));
    EXPECT_EQ(prompter_.questions.at(0),
              "Set A = 0.000000000\r\n Set B = 1.000000000\r\n Set C = 0.500000000\r\n "
              "Set a = 1.000000000\r\n  Set b = 0.000000000\r\n  ");
}

TEST_F(FittingWrite, FailedStagingWriteEndsTheWrite) {
    sim::Faults faults;
    faults.exceptions.push_back({kSensor, 183, sim::kIllegalAddress});
    bus_->setFaults(faults);
    EXPECT_EQ(run(planPiecewiseWrite(piecewiseValues(), 2, kSensor)), WriteEnd::CommunicationFailure);
    const auto lines = transcript_.lines();
    EXPECT_EQ(lines.back(), "W 5 183 0x0000");  // no pause, nothing after the failed request
    EXPECT_EQ(prompter_.shown(), std::vector<std::string>{"warning: " + GetText("IDS_Fit_CommError")});
}

TEST_F(FittingWrite, CancelledQuestionSendsNothing) {
    prompter_.otherwise = false;
    Fields f = temperatureCoefficientFields();
    for (auto& field : f) field.text = "1";
    EXPECT_EQ(run(planTemperatureCoefficientWrite(f, kSensor)), WriteEnd::NotConfirmed);
    EXPECT_TRUE(transcript_.lines().empty());
    EXPECT_TRUE(prompter_.shown().empty());
}

TEST_F(FittingWrite, RefusalsComeBeforeTheQuestion) {
    Fields tooLarge = piecewiseValues();
    setFieldText(tooLarge, "B2", "9300000000");  // beyond s64 x 10^9
    Fields farBreakpoint = piecewiseValues();
    setFieldText(farBreakpoint, "P3", "3000000");  // beyond s32 x 10^3
    Fields notANumber = temperatureCoefficientFields();
    setFieldText(notANumber, "ST_B", "nan");
    Fields blank = piecewiseValues();  // a field left empty by a refused fit is not 0
    setFieldText(blank, "C1", "");
    Fields text = piecewiseValues();
    setFieldText(text, "A3", "1.5x");
    const FittingWritePlan plans[] = {
        planPiecewiseWrite(tooLarge, 2, kSensor),
        planPiecewiseWrite(farBreakpoint, 2, kSensor),
        planTemperatureCoefficientWrite(notANumber, kSensor),
        planPiecewiseWrite(piecewiseValues(), 2, 248),
        planTemperatureDifferenceWrite(temperatureDifferenceFields(TemperatureSegment::Low),
                                       TemperatureSegment::Low, 2, kSensor),
        planPiecewiseWrite(blank, 2, kSensor),
        planPiecewiseWrite(text, 2, kSensor),
    };
    for (const auto& plan : plans) {
        EXPECT_FALSE(plan.write);
        EXPECT_FALSE(plan.refusal.empty());
    }
    EXPECT_EQ(plans[4].refusal, GetText("IDS_Fit_CheckSegment"));
    EXPECT_NE(plans[0].refusal.find("B2"), std::string::npos);
    EXPECT_NE(plans[5].refusal.find("C1"), std::string::npos);
    EXPECT_NE(plans[6].refusal.find("A3"), std::string::npos);
}

}  // namespace
}  // namespace talvex::calibration::fitting
