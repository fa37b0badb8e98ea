// Register encodings of the sensor's parameters as pure functions. Every encoder refuses what it
// cannot represent (a text that is not a number, a scaled value that does not fit its registers, a
// text over 20 bytes on the wire) with a message naming the field and the allowed range, so nothing
// wrapped or zeroed ever reaches a sensor. Texts are UTF-8 inside the program and GBK on the wire.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/sensor_registers.hpp"

namespace talvex::device {

// Registers of one encoded value, or why it was refused (error is then set and registers empty).
struct Encoded {
    std::vector<std::uint16_t> registers;
    std::string error;
    bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }
};

// A number parsed from a box, or the refusal message.
template <class T>
struct Parsed {
    std::optional<T> value;
    std::string error;
    bool ok() const { return value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& operator*() const { return *value; }
};

// Decimal text -> double: optional sign, digits, optional fraction and exponent, surrounding blanks
// allowed. Refuses "", "abc", "nan", "inf", "1e400", hexadecimal and junk after the number.
Parsed<double> parseDecimal(std::string_view field, std::string_view text);
// Whole decimal number (sign allowed) within [min, max].
Parsed<std::int64_t> parseInteger(std::string_view field, std::string_view text, std::int64_t min,
                                  std::int64_t max);

// Numeric encoders (value already parsed). field names the value in a refusal.
Encoded encodeU16(std::string_view field, std::int64_t value);
Encoded encodeU32(std::string_view field, std::int64_t value);
Encoded encodeS32(std::string_view field, std::int64_t value);
// value narrowed to single precision, times 10^4 (10^3) in single precision, truncated toward zero.
Encoded encodeS32x1e4(std::string_view field, double value);
Encoded encodeS32x1e3(std::string_view field, double value);
// value times 10^9 in double precision, truncated toward zero; most significant word first.
Encoded encodeS64x1e9(std::string_view field, double value);
// value times 100, truncated, into one register (analog outputs 0..655.35, temperatures).
Encoded encodeU16x100(std::string_view field, double value);
// YYYYMMDD -> registers MMDD, YYYY in BCD.
Encoded encodeBcdDate(std::string_view field, std::int64_t yyyymmdd);

// Text of a box through the encoding: parses, then encodes (Text20 and BcdDate included).
Encoded encodeText(sensor::Encoding encoding, std::string_view field, std::string_view text);
// Numeric value through the encoding (not Text20).
Encoded encodeNumber(sensor::Encoding encoding, std::string_view field, double value);

// text20, write side: UTF-8 -> GBK bytes, byte 2k in the low half of register k, NUL padded.
// More than 20 bytes once encoded is refused, and so is text that is not UTF-8 (nothing is replaced).
Encoded encodeText20(std::string_view field, std::string_view utf8);
// text20, read side: registers in wire order (byte 2k high), cut at the first NUL, GBK -> UTF-8
// whatever the bytes look like; bytes that are not GBK show as U+FFFD.
std::string decodeText20(std::span<const std::uint16_t> registers);

// Decoders of the numeric encodings (high word first).
std::uint32_t decodeU32(std::uint16_t high, std::uint16_t low);
std::int32_t decodeS32(std::uint16_t high, std::uint16_t low);
std::int64_t decodeS64(std::span<const std::uint16_t, 4> registers);

// BCD as the sensor clock takes it: the decimal digits of value read as hexadecimal (25 -> 0x25).
std::uint16_t bcd(unsigned value);
// The sensor clock registers 130..133 for a local time: MMDD, YYYY, 00HH, MMSS.
std::array<std::uint16_t, 4> clockRegisters(const std::tm& local);

// One register write of a staged layout.
struct RegisterWrite {
    std::uint16_t address;
    std::uint16_t value;
    bool operator==(const RegisterWrite&) const = default;
};

// The staged register writes of a commit code, one input per staged value in table order, or the
// first refusal. Texts are parsed as the encodings say; numbers are taken as they are.
struct Staged {
    std::vector<RegisterWrite> writes;
    std::string error;
    bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }
};
Staged stageCommit(const sensor::CommitCode& code, std::span<const std::string> texts);
Staged stageCommit(const sensor::CommitCode& code, std::span<const double> values);

}  // namespace talvex::device
