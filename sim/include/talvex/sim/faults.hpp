// Faults the bus can inject, reproducible with the bus seed.
#pragma once

#include <cstdint>
#include <vector>

#include "talvex/sim/types.hpp"

namespace talvex::sim {

// Requests to this slave that touch this register are answered with this exception code.
struct ExceptionRule {
    std::uint8_t slave = 0;
    std::uint16_t reg = 0;
    std::uint8_t code = 0;
};

// One request lost on the line: the nth request to this slave whose range includes this register
// (counted from when the faults were set, 1 = the next one). Lost before the device sees it, the
// device never acts on it; with replyOnly the device acts on it and only its reply is lost, so the
// master cannot tell the two apart.
struct LostRequest {
    std::uint8_t slave = 0;
    std::uint16_t reg = 0;
    unsigned nth = 1;
    bool replyOnly = false;
};

struct Faults {
    std::vector<std::uint8_t> silent;  // slaves that never answer
    double crcErrorRate = 0;           // share of replies sent with a wrong CRC
    double dropRate = 0;               // share of requests left unanswered
    double truncateRate = 0;           // share of replies cut short
    Millis delay{0};                   // extra wait before every reply
    std::vector<ExceptionRule> exceptions;
    std::vector<LostRequest> lost;
};

}  // namespace talvex::sim
