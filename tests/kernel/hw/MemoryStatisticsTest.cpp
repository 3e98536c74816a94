#include "kernel/hw/MemoryStatistics.h"

#include <gtest/gtest.h>

#include "kernel/base/LastError.h"
#include "kernel/heap/Heap.h"
#include "tests/support/ScopedHeapLimit.h"

namespace {

TEST(MemoryStatistics, FiguresAreConsistent) {
    TovMemoryStatistics statistics;
    ASSERT_TRUE(TovGetMemoryStatistics(&statistics));
    EXPECT_GT(statistics.totalBytes, 0u);
    EXPECT_GT(statistics.freePages, 0u);
    EXPECT_LE(statistics.freeBytes, statistics.totalBytes);
    EXPECT_EQ(statistics.freePages, statistics.freeBytes / kMemoryPageSize);
    EXPECT_LE(statistics.longestFreeRun, statistics.freePages);
    EXPECT_LE(statistics.heapLargestFree, statistics.heapFreeBytes);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovGetMemoryStatistics(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// With a heap limit the machine is as large as the limit, and what the heap holds is used.
// Figures beyond 32 bits stay whole.
TEST(MemoryStatistics, TheHeapLimitIsTheMachine) {
    for (const std::uint64_t limit : {std::uint64_t{7} << 20, std::uint64_t{128} << 30}) {
        SCOPED_TRACE(limit);
        lbtest::ScopedHeapLimit scoped(limit);
        TovMemoryStatistics statistics;
        ASSERT_TRUE(TovGetMemoryStatistics(&statistics));
        const std::uint64_t used = TovHeapInUse();
        EXPECT_EQ(statistics.totalBytes, limit);
        EXPECT_NEAR(double(statistics.totalBytes - statistics.freeBytes), double(used), 65536.0);
    }
}

}  // namespace
