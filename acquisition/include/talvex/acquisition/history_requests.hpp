// The history page's short exchanges with the selected sensor: the storage interval, the stored
// record count, and the number of records to send before a read. Each takes the register I/O and
// a pacer for its pauses and reports its outcome (cancelled when the pacer was cancelled) with the
// RTU result of a failed request. The caller holds the link (arbiter hold) and checks that the port
// is open.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "talvex/operations/outcome.hpp"
#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"

namespace talvex::acquisition {

// Writes the interval in minutes to the sensor, then waits 100 ms.
ExchangeResult writeStorageInterval(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t minutes);

struct StoredCount {
    Outcome outcome = Outcome::Done;
    int result = 0;  // RTU result of the read
    std::uint32_t count = 0;
};
// Reads the number of records the sensor holds, then waits 10 ms.
StoredCount readStoredCount(RegisterIo& io, Pacer& pacer, int slave);

// Tells the sensor how many records to send: the high half, 100 ms, then 1000 ms more, the low
// half, 100 ms. Stops at the first failure (no read may start then).
ExchangeResult requestRecordCount(RegisterIo& io, Pacer& pacer, int slave, std::uint32_t count);

// Box texts: decimal digits only (blanks around them allowed). The count takes 0..4294967295, the
// interval 1..65535 minutes; anything else is refused (nullopt) so nothing wrapped or zeroed is sent.
std::optional<std::uint32_t> parseRecordCount(std::string_view text);
std::optional<std::uint16_t> parseStorageInterval(std::string_view text);

}  // namespace talvex::acquisition
