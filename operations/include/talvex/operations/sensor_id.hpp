// The sensor's own address (register 150): changing it and searching the bus for sensors.
#pragma once

#include <functional>
#include <vector>

#include "talvex/operations/outcome.hpp"
#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"

namespace talvex::operations {

// Register 150 := newId at oldId (the write's own answer does not count: the sensor may answer
// from its new address), 500 ms, then read 150 at newId: equal is done, another value refused.
ProcedureResult changeSensorId(RegisterIo& io, Pacer& pacer, int oldId, int newId);

// Asks every candidate address first..last for register 150 and reports each one as it is done;
// a candidate counts as found when the low byte of the answer equals it (a sensor at 5 answering
// 0x0105 counts). Ends early when the pacer is cancelled; completed says whether it ran through.
struct BusSearch {
    std::vector<int> found;
    bool completed = false;
};
inline constexpr int kSearchFirst = 0;
inline constexpr int kSearchLast = 254;  // the master sends only to 1..247; the others fail at once
BusSearch searchBus(RegisterIo& io, Pacer& pacer,
                    const std::function<void(int candidate, bool found)>& onCandidate,
                    int first = kSearchFirst, int last = kSearchLast);

}  // namespace talvex::operations
