// The reference value of Step 4 and the other words the wizard writes: parsing the operator's text
// (refusing what is not a number of the type's encoding), the two reference words, the date words,
// and the text of a value read in Step 3.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "talvex/calibration/wizard/calibration_type.hpp"

namespace talvex::calibration {

// Register 126 and 127 values, in that order.
struct ReferenceWords {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
};

// The calibration date: register 128 (month * 256 + day) and register 129 (year).
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};
ReferenceWords dateWords(const CalendarDate& date);
CalendarDate localToday();

// A whole concentration 0..2147483647 (the sensor reads it as a signed 32-bit value); blanks around
// the number are allowed, anything else (no digits, a sign, a fraction, junk after it) is refused.
std::optional<std::uint32_t> parseConcentration(std::string_view text);
// A finite single-precision number ("101.3", "-5", "1e2"); junk, nan, inf and overflow are refused.
std::optional<float> parseFloatReference(std::string_view text);

// A pressure reference in kPa: the sensors measure the oil's absolute pressure, so a reference
// outside this band (a negative, a vanishing or an astronomic pressure) is a typing error.
inline constexpr float kMinPressureReference = 1.0f;
inline constexpr float kMaxPressureReference = 1000.0f;

// In laboratory mode the sensor takes the reference divided by 18.5, truncated.
std::uint32_t laboratoryValue(std::uint32_t ppm);
ReferenceWords concentrationWords(std::uint32_t value);  // high word first
ReferenceWords floatWords(float value);                  // low word of the bit pattern first

// The reference text of a type as its words, or nullopt with the language key of the refusal.
struct ParsedReference {
    std::uint32_t concentration = 0;  // whole types: the parsed ppm (kept for the handshake)
    ReferenceWords words;             // what registers 126 and 127 receive
};
std::optional<ParsedReference> parseReference(CalibrationType type, std::string_view text,
                                              std::string_view* refusalKey = nullptr);

// Step 3's two registers as the measured-value text: "%d" for whole ppm, "%.2f" for singles.
std::string formatReading(ValueEncoding encoding, std::uint16_t first, std::uint16_t second);

}  // namespace talvex::calibration
