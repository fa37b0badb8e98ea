// The calibration wizard: type selection (with laboratory mode), the point options, Read (Step 3),
// Calibrate (Step 4), Clear and the wireless handshake tick, each with the sensor's exact exchange,
// pauses and messages. Qt-free; the page runs the operations that talk to the sensor on the link
// worker under a hold and shows state() when they return. Not thread-safe: one caller at a time.
#pragma once

#include <chrono>
#include <functional>

#include "talvex/calibration/wizard/reference_value.hpp"
#include "talvex/calibration/wizard/wizard_state.hpp"
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

class CalibrationWizard {
  public:
    const WizardState& state() const { return state_; }

    // Selector change; asks about and enters laboratory mode for the laboratory type.
    void selectType(int index, WizardContext& ctx);
    // Whether selecting index talks to the sensor (the page runs it on the link worker then).
    static bool selectionTalks(int index) { return typeAt(index).type == CalibrationType::InOilLab; }
    // Point options. The one-point option talks to the sensor when it leaves laboratory mode.
    void onePointClicked(WizardContext& ctx);
    bool onePointTalks() const { return state_.oneToggle && state_.type() == CalibrationType::InOilLab; }
    void twoPointClicked(Prompter& prompter);
    void read(WizardContext& ctx);
    // referenceText: the reference-value field.
    void calibrate(WizardContext& ctx, std::string_view referenceText);
    void clear(WizardContext& ctx);
    // One 2 s tick of the wireless handshake (call only while state().handshakeRunning).
    void handshakeTick(WizardContext& ctx);
    // Ends a running handshake at once (port closed, another sensor selected, the operator's
    // Cancel) with messageKey.
    void abandonHandshake(Prompter& prompter, std::string_view messageKey);

  private:
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
};

}  // namespace talvex::calibration
