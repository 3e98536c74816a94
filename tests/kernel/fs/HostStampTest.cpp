// A host stamp pins an entry only once the clock is a granule past it.
#include "kernel/fs/posix/HostStamp.h"

#include <gtest/gtest.h>

namespace {

struct stat changedAt(time_t seconds, long nanoseconds) {
    struct stat status {};
    status.st_ctim = timespec{seconds, nanoseconds};
    return status;
}

TEST(HostStampTest, TheStampsTrailingZerosAreItsGranule) {
    struct Row {
        long stampNanoseconds;
        time_t clockSeconds;  // the stamp is at 100 s
        long clockNanoseconds;
        bool settled;
    };
    const Row rows[] = {
        {123456789, 100, 123456789, false},  // the same instant
        {123456789, 100, 123456888, false},  // within 100 ns: versions keep 100 ns units
        {123456789, 100, 123456889, true},
        {120000000, 100, 129999999, false},  // a stamp of whole 10 ms
        {120000000, 100, 130000000, true},
        {0, 101, 999999999, false},  // whole seconds: FAT keeps two
        {0, 102, 0, true},
        {123456789, 99, 0, false},  // the clock behind the stamp
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stampNanoseconds);
        SCOPED_TRACE(row.clockNanoseconds);
        EXPECT_EQ(TovStampSettled(changedAt(100, row.stampNanoseconds),
                                  timespec{row.clockSeconds, row.clockNanoseconds}),
                  row.settled);
    }
}

}  // namespace
