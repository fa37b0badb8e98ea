#include "talvex/acquisition/history_requests.hpp"

#include "talvex/history_registers.hpp"

namespace talvex::acquisition {
namespace {

using namespace talvex::sensor::history;
using std::chrono::milliseconds;

constexpr milliseconds kAfterWrite{100};
constexpr milliseconds kAfterCountRead{10};
constexpr milliseconds kBetweenCountHalves{1000};

constexpr ExchangeResult kCancelled{Outcome::Cancelled, 0};

ExchangeResult fromRtu(int rc) {
    return {rtuOk(rc) ? Outcome::Done : Outcome::CommunicationFailure, rc};
}

std::optional<std::uint64_t> parseDigits(std::string_view text, std::uint64_t max) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
        if (v > max) return std::nullopt;
    }
    return v;
}

}  // namespace

ExchangeResult writeStorageInterval(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t minutes) {
    if (pacer.cancelled()) return kCancelled;
    const int rc = io.writeSingle(slave, kStorageInterval, minutes);
    pacer.pause(kAfterWrite);
    return fromRtu(rc);
}

StoredCount readStoredCount(RegisterIo& io, Pacer& pacer, int slave) {
    StoredCount r;
    if (pacer.cancelled()) {
        r.outcome = Outcome::Cancelled;
        return r;
    }
    std::uint16_t regs[kStoredCountRegisters] = {};
    r.result = io.readHolding(slave, kStoredCount, kStoredCountRegisters, regs);
    r.outcome = rtuOk(r.result) ? Outcome::Done : Outcome::CommunicationFailure;
    if (rtuOk(r.result)) r.count = (std::uint32_t{regs[0]} << 16) | regs[1];
    pacer.pause(kAfterCountRead);
    return r;
}

ExchangeResult requestRecordCount(RegisterIo& io, Pacer& pacer, int slave, std::uint32_t count) {
    if (pacer.cancelled()) return kCancelled;
    int rc = io.writeSingle(slave, kRequestedCountHigh, static_cast<std::uint16_t>(count >> 16));
    if (!pacer.pause(kAfterWrite)) return kCancelled;
    if (!rtuOk(rc)) return fromRtu(rc);
    if (!pacer.pause(kBetweenCountHalves)) return kCancelled;
    rc = io.writeSingle(slave, kRequestedCountLow, static_cast<std::uint16_t>(count & 0xFFFF));
    if (!pacer.pause(kAfterWrite)) return kCancelled;
    return fromRtu(rc);
}

std::optional<std::uint32_t> parseRecordCount(std::string_view text) {
    const auto v = parseDigits(text, 0xFFFFFFFFu);
    if (!v) return std::nullopt;
    return static_cast<std::uint32_t>(*v);
}

std::optional<std::uint16_t> parseStorageInterval(std::string_view text) {
    const auto v = parseDigits(text, 0xFFFF);
    if (!v || *v == 0) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}

}  // namespace talvex::acquisition
