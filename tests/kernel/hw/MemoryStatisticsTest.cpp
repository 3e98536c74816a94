#include "kernel/hw/MemoryStatistics.h"

#include <gtest/gtest.h>

#include "kernel/base/LastError.h"

namespace {

TEST(MemoryStatistics, FiguresAreConsistent) {
    TovMemoryStatistics statistics;
    ASSERT_TRUE(TovGetMemoryStatistics(&statistics));
    EXPECT_GT(statistics.totalBytes, 0u);
    EXPECT_GT(statistics.freePages, 0u);
    EXPECT_LE(statistics.freePages * kMemoryPageSize, statistics.totalBytes);
    EXPECT_LE(statistics.longestFreeRun, statistics.freePages);
    EXPECT_LE(statistics.heapLargestFree, statistics.heapFreeBytes);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovGetMemoryStatistics(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
