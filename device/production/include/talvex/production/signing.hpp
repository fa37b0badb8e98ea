// Signing a sensor's production record: the responsible person's name into the text window (commit
// 2571) and today's date as BCD into registers 83 (MMDD) and 84 (YYYY). An export needs a signature
// of its own: the gate is set by a successful signing and used up when an export starts.
#pragma once

#include <atomic>
#include <ctime>
#include <string>
#include <string_view>

#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"

namespace talvex::production {

struct SignDate {
    std::uint16_t monthDay = 0;  // BCD MMDD
    std::uint16_t year = 0;      // BCD YYYY
};
SignDate signDate(const std::tm& localDate);

enum class SignOutcome { Signed, NameRefused, CommunicationFailure, Cancelled };

struct SignResult {
    SignOutcome outcome = SignOutcome::CommunicationFailure;
    std::string message;  // the text to show
};

// The name is checked before anything is sent (empty, or more than 20 bytes in GBK: refused).
SignResult sign(RegisterIo& io, Pacer& pacer, int id, std::string_view signer, const std::tm& localDate);

class SignatureGate {
  public:
    void markSigned() { signed_ = true; }
    bool isSigned() const { return signed_; }
    // True when a signature was there; it is used up either way.
    bool takeForExport() { return signed_.exchange(false); }

  private:
    std::atomic<bool> signed_{false};
};

}  // namespace talvex::production
