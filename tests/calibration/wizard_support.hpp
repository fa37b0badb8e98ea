// A scripted sensor, a prompter that answers from a script, and one transcript for the whole
// exchange: requests ("W 1 121 0x03E9"), pauses ("P 500"), boxes ("plain: Start calibration.") and
// log lines, so a test states an operation's complete behaviour in one expectation.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/calibration_wizard.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/recording_register_io.hpp"
#include "talvex/testing/scripted_prompter.hpp"

namespace talvex::calibration::test {

using talvex::testing::Transcript;

inline constexpr int kFailure = 0x4007;  // time-out

// Run-mode words a sensor reads back: in laboratory measurement, in normal measurement.
inline constexpr std::uint16_t kLabRunMode = 0x0050, kNormalRunMode = 0x0010;

// Registers hold what was last written (a sensor that reads back its start codes); queued values
// answer the next reads of an address first. Listed addresses fail.
class ScriptedIo : public RegisterIo {
  public:
    int readHolding(int, int address, int count, std::uint16_t* values) override {
        if (failReads.count(address)) return kFailure;
        for (int i = 0; i < count; ++i) {
            auto& q = queued[address + i];
            if (!q.empty()) {
                regs[address + i] = q.front();
                q.pop_front();
            }
            values[i] = regs[address + i];
        }
        return 0;
    }
    int writeSingle(int, int address, std::uint16_t value) override {
        if (failWrites.count(address)) return kFailure;
        regs[address] = value;
        return 0;
    }
    int writeMultiple(int, int address, int count, const std::uint16_t* values) override {
        if (failWrites.count(address)) return kFailure;
        for (int i = 0; i < count; ++i) regs[address + i] = values[i];
        return 0;
    }
    // Consecutive registers from address on hold these words.
    void holds(int address, std::initializer_list<std::uint16_t> words) {
        for (const std::uint16_t w : words) regs[address++] = w;
    }
    int startHistoryOutput(int) override { return kFailure; }
    int readBytes(std::uint8_t*, int) override { return -1; }
    bool isOpen() const override { return true; }

    std::map<int, std::uint16_t> regs;
    std::map<int, std::deque<std::uint16_t>> queued;
    std::set<int> failReads, failWrites;
};

using talvex::testing::ScriptedPrompter;  // writes its boxes into the transcript

// Expected transcript lines.
inline std::string plain(std::string_view key) {
    return "plain: " + GetText(key);
}
inline std::string warn(std::string_view key) {
    return "warning: " + GetText(key);
}
inline std::string ask(std::string_view key) {
    return "ask: " + GetText(key);
}
inline std::string W(int address, unsigned value) {
    return "W 1 " + std::to_string(address) + " " + talvex::testing::hex4(value);
}
inline std::string R(int address, int count = 1) {
    return "R 1 " + std::to_string(address) + " " + std::to_string(count);
}
inline std::string P(int ms) {
    return "P " + std::to_string(ms);
}

// The wizard with a scripted sensor 1 on 5 March 2026.
// Selects the type at its list index and chooses one point (or two), as the page's controls do.
inline void chooseType(CalibrationWizard& wizard, WizardContext& ctx, Prompter& prompter,
                       CalibrationType type, bool twoPoint) {
    wizard.selectType(indexOf(type), ctx);
    if (twoPoint)
        wizard.twoPointClicked(prompter);
    else
        wizard.onePointClicked(ctx);
}

struct WizardBench {
    WizardBench() { setActiveLanguage(Language::English); }
    Transcript t;
    ScriptedIo sensor;
    talvex::testing::RecordingRegisterIo io{sensor, t};
    talvex::testing::RecordingPacer pacer{t};
    ScriptedPrompter prompter{t};
    WizardContext ctx{io, pacer, prompter, 1, true, [] { return CalendarDate{2026, 3, 5}; }};
    CalibrationWizard wizard;

    // Transcript since the last call.
    std::vector<std::string> take() {
        auto lines = t.lines();
        t.clear();
        return lines;
    }
    const WizardState& s() const { return wizard.state(); }
    // Choosing the laboratory type will find the sensor in laboratory measurement.
    void confirmsLaboratoryMode() { sensor.queued[reg::kRunMode] = {kLabRunMode}; }
    // Type at index selected and one point (or two points) chosen, transcript cleared.
    void choose(CalibrationType type, bool twoPoint = false) {
        chooseType(wizard, ctx, prompter, type, twoPoint);
        take();
    }
    // ... and Step 3 done.
    void readDone(CalibrationType type, bool twoPoint = false) {
        choose(type, twoPoint);
        wizard.read(ctx);
        EXPECT_EQ(s().wizardStep, 3);
        take();
    }
};

}  // namespace talvex::calibration::test
