// The five exchange procedures with the sensor's command registers. Each runs on the link worker
// thread under a standard hold (the caller takes it), addresses one slave, makes its pauses through
// the pacer (so tests run on a fake clock and Stop / disconnect end it at the next pause) and
// reports an outcome: done, a communication failure (a request failed), refused (the sensor
// answered, but not with the acknowledgement) or cancelled (the pacer was cancelled).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "talvex/device/encodings.hpp"
#include "talvex/operations/outcome.hpp"
#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::device {

using talvex::Outcome;
using talvex::ProcedureResult;

struct TextResult {
    Outcome outcome = Outcome::CommunicationFailure;
    std::string text;  // UTF-8; the text of the attempt whose acknowledgement was tested
    bool done() const { return outcome == Outcome::Done; }
};

// The rule's pause after most requests.
inline constexpr std::chrono::milliseconds kStepPause{100};

// Procedure A: writes the staged registers (100 ms after each), register 253 := code, waits as the
// commit table says (waitMs overrides the table's wait, e.g. the import page's 500 ms for 1003),
// reads 253 and compares it with the acknowledgement. The temperature points stop on a failed
// commit write; the others still wait and read 253, but a failed commit write is a communication
// failure with commitUnconfirmed whatever 253 reads.
ProcedureResult commitCoefficients(RegisterIo& io, Pacer& pacer, int slave, const sensor::CommitCode& code,
                                   std::span<const RegisterWrite> staged, int waitMs = -1);

// What to tell the operator after a commit whose write was not confirmed: the "not confirmed" text,
// then the code's values as the sensor now renders them (their text items, procedure B, one line
// "name: text" each; "?" for an item that could not be read), so the operator sees what it holds.
std::string commitNotConfirmedText(RegisterIo& io, Pacer& pacer, int slave, const sensor::CommitCode& code);

// Procedure B: text item through 254 and the window 191-200, with its one retry. An attempt succeeds
// when 254 acknowledges (10 x code) and the window was read (a text never read is not the item's
// text); a final attempt with a failed request reports a communication failure, one with a wrong
// acknowledgement a refusal.
TextResult readTextItem(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t code);

// Procedure C: the ten registers of an encoded text20 (see encodeText20), then the commit code
// to 254; the commit write's own result is the outcome (254 is not read back).
ProcedureResult writeText(RegisterIo& io, Pacer& pacer, int slave, const sensor::TextWrite& target,
                          std::span<const std::uint16_t, 10> text20);

// Procedure D: register 160 := command, wait, read 160 and compare with command << 4.
// examineWrite false: the write's own result is ignored and the read-back decides.
ProcedureResult sendCommand(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t command,
                            std::chrono::milliseconds wait, bool examineWrite = true);

// Procedure E: fine-adjustment register := ppm, 1000 ms, read it back: its own address means done;
// anything else is refused (readBack 404: the sensor refuses; another value: the adjustment failed).
ProcedureResult fineAdjust(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t address, std::uint16_t ppm);

// Helpers for the plain exchanges of the pages: one register written, then the pause.
// CommunicationFailure or Cancelled ends the caller's sequence.
Outcome writeThenPause(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t address, std::uint16_t value,
                       std::chrono::milliseconds pause = kStepPause);
// count registers read into values, then the pause.
Outcome readThenPause(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t address, int count,
                      std::uint16_t* values, std::chrono::milliseconds pause = kStepPause);

}  // namespace talvex::device
