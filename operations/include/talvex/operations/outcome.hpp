// How a sensor operation ended, for every layer that runs one (pages, talvex-cli, the wizard): done,
// a communication failure (a request failed or its answer never came), refused (the sensor answered,
// but not with the acknowledgement) or cancelled (Stop, disconnect, another sensor selected).
#pragma once

#include <cstdint>

namespace talvex {

enum class Outcome { Done, CommunicationFailure, Refused, Cancelled };

struct ProcedureResult {
    Outcome outcome = Outcome::CommunicationFailure;
    std::uint16_t readBack = 0;  // the value read back (refused: what the sensor answered instead)
    // The commit write's echo never came (a communication failure): the sensor may or may not have
    // taken the values, and a read-back cannot tell, since 253 may still show the acknowledgement of
    // an earlier commit of the same code.
    bool commitUnconfirmed = false;
    bool done() const { return outcome == Outcome::Done; }
};

// One exchange's result: its outcome and the RTU result of the request that decided it (0 when done
// or cancelled; a communication failure keeps the failed request's code, which names the fault).
struct ExchangeResult {
    Outcome outcome = Outcome::Done;
    int rtu = 0;
    bool done() const { return outcome == Outcome::Done; }
};

}  // namespace talvex
