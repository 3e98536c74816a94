// Measuring the time-stamp counter's frequency against the high-resolution counter.
#pragma once

#include <cstdint>

namespace rx_fwk {

// Frequency from two samples of each counter; the high-resolution one as a fallback when
// no time passed between its samples.
std::uint64_t timeStampFrequency(std::uint64_t stampDelta, std::uint64_t counterDelta,
                                 std::uint64_t counterFrequency);

// Samples both counters a second apart at time-critical priority and stores the result
// with the kernel. Without a time-stamp counter the high-resolution frequency is stored.
void calibrateTimeStampCounter();

}  // namespace rx_fwk
