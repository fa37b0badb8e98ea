// What the calibration page shows, as data: the wizard's step, point mode, options, the Calibrate
// caption as a state, the wireless handshake stage. The page is a view over it and recomputes its
// captions from it on a language switch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "talvex/calibration/wizard/calibration_type.hpp"

namespace talvex::calibration {

// The Calibrate button's caption, which also says which start command Read sends.
enum class CalibrateCaption { Cal, OnePointCal, TwoPointCal, CalSucceed, CalFailed };
std::string_view captionKey(CalibrateCaption caption);

// Point mode values.
inline constexpr int kNoPoint = 0;
inline constexpr int kOnePoint = 1;
inline constexpr int kTwoPointFirst = 21;
inline constexpr int kTwoPointSecond = 22;

// Wireless handshake stages (m39_CalRead_Step).
inline constexpr int kStageIdle = 0;
inline constexpr int kStageAwaitStart = 1;
inline constexpr int kStageClearing = 8;

struct WizardState {
    int typeIndex = 0;  // selector index into kCalibrationTypes
    int wizardStep = 0;
    int pointMode = kNoPoint;
    // The point options: whether the page itself checked them (toggle flags), what they show.
    bool oneToggle = false;
    bool twoToggle = false;
    bool oneChecked = false;
    bool twoChecked = false;
    bool oneEnabled = true;
    bool twoEnabled = false;
    bool typeSelectorEnabled = true;
    bool readEnabled = true;
    bool calibrateEnabled = true;
    bool clearEnabled = true;
    CalibrateCaption caption = CalibrateCaption::Cal;
    std::string measuredText;     // the measured-value field
    std::string keptMeasurement;  // Step 3's reading, shown by the wireless acknowledgement
    std::uint32_t referenceConcentration = 0;
    int wirelessStage = kStageIdle;
    bool handshakeRunning = false;      // the 2 s tick runs
    std::int64_t handshakeMovedMs = 0;  // pacer time the handshake last moved on
    std::int64_t handshakeStallMs = 0;  // it gives up after this long without moving on
    std::uint16_t lastStatusWord = 0;
    int progress = 0;  // wireless progress bar, 0..100

    CalibrationType type() const { return typeAt(typeIndex).type; }
};

}  // namespace talvex::calibration
