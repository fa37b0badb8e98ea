// The calibration wizard: type selection (with laboratory mode), the point options, Read (Step 3),
// Calibrate (Step 4), Clear and the wireless handshake tick, each with the sensor's exact exchange,
// pauses and messages. Qt-free; the page runs the operations that talk to the sensor on the link
// worker under a hold and shows state() when they return. Not thread-safe: one caller at a time.
#pragma once

#include <chrono>
#include <functional>

#include "talvex/calibration/wizard/reference_value.hpp"
#include "talvex/calibration/wizard/wizard_state.hpp"
#include "talvex/operations/outcome.hpp"
#include "talvex/pacer.hpp"
#include "talvex/prompter.hpp"
#include "talvex/register_io.hpp"

namespace talvex::calibration {

// What an operation talks through.
struct WizardContext {
    RegisterIo& io;
    Pacer& pacer;
    Prompter& prompter;
    int slave = 1;
    bool connected = true;                             // the hold found the port open
    std::function<CalendarDate()> today = localToday;  // date of the calibration date words
};

// A wireless sensor takes one piece per wake-up, so a stage may wait a whole send interval (register
// 10, up to 2550 s). The handshake gives up after three intervals plus this margin without CAL_Status
// moving on; an interval that cannot be read (or reads 0) counts as the longest.
inline constexpr std::chrono::milliseconds kHandshakeStallMargin{60 * 1000};
std::chrono::milliseconds handshakeStall(std::uint16_t sendIntervalSeconds);
inline constexpr std::chrono::milliseconds kHandshakePeriod{2000};

// Each operation returns how it ended: done; a communication failure (a request failed, or the port
// was closed); refused (the sensor declined, or the wizard's step or the reference allows nothing to
// be sent; its message says which); cancelled (the operator answered no, or a pause was stopped).
// A handshake started by Read, Calibrate or Clear is done for them: its ticks report how it goes.
class CalibrationWizard {
  public:
    const WizardState& state() const { return state_; }

    // Selector change; asks about and enters laboratory mode for the laboratory type.
    Outcome selectType(int index, WizardContext& ctx);
    // Whether selecting index talks to the sensor (the page runs it on the link worker then).
    static bool selectionTalks(int index) { return typeAt(index).type == CalibrationType::InOilLab; }
    // Point options. The one-point option talks to the sensor when it leaves laboratory mode.
    Outcome onePointClicked(WizardContext& ctx);
    bool onePointTalks() const { return state_.oneToggle && state_.type() == CalibrationType::InOilLab; }
    void twoPointClicked(Prompter& prompter);
    Outcome read(WizardContext& ctx);
    // referenceText: the reference-value field.
    Outcome calibrate(WizardContext& ctx, std::string_view referenceText);
    Outcome clear(WizardContext& ctx);
    // One 2 s tick of the wireless handshake (call only while state().handshakeRunning). A tick that
    // ends the handshake with the sensor's "calibration failed" is refused.
    Outcome handshakeTick(WizardContext& ctx);
    // Ends a running handshake at once (port closed, another sensor selected, the operator's
    // Cancel) with messageKey.
    void abandonHandshake(Prompter& prompter, std::string_view messageKey);

  private:
    // The operation under way met o. The first end is the one reported, except that a communication
    // failure is reported whatever came before it (a lost date word the step went on past included).
    void fail(Outcome o) {
        if (outcome_ == Outcome::Done || o == Outcome::CommunicationFailure) outcome_ = o;
    }
    // A pause of the operation; a stopped one ends it as cancelled.
    bool pause(WizardContext& ctx, std::chrono::milliseconds d);
    // "Communication error" shown (as a warning, or a plain box): a communication failure.
    void comError(WizardContext& ctx, bool asWarning = true);
    // Runs one operation's steps and returns how it ended.
    template <class Steps>
    Outcome run(Steps&& steps) {
        outcome_ = Outcome::Done;
        steps();
        return outcome_;
    }
    void selectTypeSteps(int index, WizardContext& ctx);
    void onePointSteps(WizardContext& ctx);
    void readSteps(WizardContext& ctx);
    void calibrateSteps(WizardContext& ctx, std::string_view referenceText);
    void clearSteps(WizardContext& ctx);
    void handshakeTickSteps(WizardContext& ctx);
    void resetPointOptions();
    void resetPointSelection();
    void abandonRead(WizardContext& ctx);
    void startHandshake(WizardContext& ctx, int stage);
    void stopHandshake();
    void setStage(WizardContext& ctx, int stage);
    bool writeDate(WizardContext& ctx, bool warnOnly);
    bool writeCalibrateCommand(WizardContext& ctx, std::uint16_t command);
    // Blocks of Step 4.
    void calibrateInOil(WizardContext& ctx, const ParsedReference& ref);
    void calibrateGasPoint(WizardContext& ctx, const ParsedReference& ref);
    void calibrateFloat(WizardContext& ctx, const ParsedReference& ref);
    bool handshakeRow(WizardContext& ctx, unsigned calStatus, bool statusRead);

    WizardState state_;
    Outcome outcome_ = Outcome::Done;
};

}  // namespace talvex::calibration
