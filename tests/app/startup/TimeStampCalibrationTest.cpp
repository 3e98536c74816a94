#include "app/startup/TimeStampCalibration.h"

#include <gtest/gtest.h>

#include "kernel/hw/TimeStampCounter.h"

namespace {

TEST(TimeStampCalibration, FrequencyScalesByTheHighResolutionCounter) {
    struct Row {
        std::uint64_t stampDelta, counterDelta, counterFrequency, expected;
    };
    const Row rows[] = {
        {3000000000ull, 1000000000ull, 1000000000ull, 3000000000ull},
        {1500000000ull, 500000000ull, 1000000000ull, 3000000000ull},
        // Large deltas do not overflow the product.
        {30000000000000ull, 10000000000000ull, 1000000000ull, 3000000000ull},
        // No time passed (pace 0): the high-resolution frequency stands in.
        {12345, 0, 1000000000ull, 1000000000ull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stampDelta);
        EXPECT_EQ(
            rx_fwk::timeStampFrequency(row.stampDelta, row.counterDelta, row.counterFrequency),
            row.expected);
    }
}

TEST(TimeStampCalibration, StoresAFrequencyWithTheKernel) {
    rx_fwk::calibrateTimeStampCounter();
    EXPECT_GT(TovTimeStampFrequency(), 0u);
}

}  // namespace
