// Writing a fitting dialog's fields into a sensor: the values are parsed as the dialog has always
// parsed them (a text without a number is 0), encoded and checked before anything is asked or
// sent, then staged one register at a time and committed through register 253. Each commit is
// reported on its own ("写入成功！" / "写入失败！"); a failed staging write ends the write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "talvex/calibration/fitting/fit_fields.hpp"
#include "talvex/calibration/fitting/temperature_difference_fitting.hpp"
#include "talvex/device/encodings.hpp"
#include "talvex/pacer.hpp"
#include "talvex/prompter.hpp"
#include "talvex/register_io.hpp"

namespace talvex::calibration::fitting {

struct CommitStep {
    std::vector<device::RegisterWrite> staged;
    std::optional<std::uint16_t> commitCode;  // none: the values are staged without a commit
};

struct FittingWrite {
    std::string question;  // asked before anything is sent
    std::vector<CommitStep> steps;
};

// A write ready to run, or the message that refuses it (nothing is then asked or sent).
struct FittingWritePlan {
    std::optional<FittingWrite> write;
    std::string refusal;
};

// Piecewise fitting: A1..C3 (s64 ×10⁹) and P0..P3 (single precision, s32 ×10³); committed with
// 1003 for data kind 2 and 1008 for kind 1, not at all for another kind.
FittingWritePlan planPiecewiseWrite(const Fields& fields, int dataKind, int sensorId);
// Temperature-difference compensation: the nine fields of one segment (s64 ×10⁹), committed with
// 1011 (low) or 1010 (high); refused unless the last fit set the data kind of that segment.
FittingWritePlan planTemperatureDifferenceWrite(const Fields& fields, TemperatureSegment segment,
                                                int dataKind, int sensorId);
// Temperature coefficients: ST_A, ST_B, ST_C with commit 17, then STC_a, STC_b with commit 1005.
FittingWritePlan planTemperatureCoefficientWrite(const Fields& fields, int sensorId);

enum class WriteEnd {
    Written,               // every commit acknowledged (or staged without a commit)
    NotConfirmed,          // the question was answered Cancel: nothing sent
    Refused,               // a commit was answered with something other than its acknowledgement
    CommunicationFailure,  // a request failed
    Cancelled,             // the operation was stopped (disconnect)
};

// Runs on the link worker under a hold: question, staging, commits and their messages.
WriteEnd runFittingWrite(RegisterIo& io, Pacer& pacer, Prompter& prompter, int sensorId,
                         const FittingWrite& write);

}  // namespace talvex::calibration::fitting
