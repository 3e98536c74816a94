#include "kernel/hw/TickTable.h"

#include <gtest/gtest.h>

namespace {

TEST(TickTable, NormalTicksAverageOneMillisecondOverASecond) {
    TovTickTable table;
    std::uint64_t longTicks = 0;
    for (int i = 0; i < 1000; ++i) {
        longTicks += table.current().divisor == 1194;
        table.tick();
    }
    EXPECT_EQ(table.nominalNanoseconds(), 1000000000u);
    const auto drift = static_cast<std::int64_t>(table.preciseNanoseconds()) - 1000000000;
    EXPECT_LE(drift < 0 ? -drift : drift, 1000) << "precise clock " << table.preciseNanoseconds();
    // About 18 % of the ticks need the long period.
    EXPECT_GT(longTicks, 150u);
    EXPECT_LT(longTicks, 210u);
    // Long ticks never follow each other: each is one switch there and one back.
    EXPECT_EQ(table.reprogramCount(), 2 * longTicks + (table.current().divisor == 1194));
}

TEST(TickTable, LegacyTicksAllUseTheLongEntry) {
    TovTickTable table;
    table.setLegacy(true);
    const std::uint64_t reprograms = table.reprogramCount();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(table.current().divisor, 1194);
        table.tick();
    }
    EXPECT_EQ(table.nominalNanoseconds(), 1000687000u);
    EXPECT_EQ(table.preciseFixed(), 1000 * TovTickTable::kLong.length);
    EXPECT_EQ(table.preciseNanoseconds(), 1000687239u);
    EXPECT_EQ(table.reprogramCount(), reprograms);

    // And back: the accumulator takes over again.
    table.setLegacy(false);
    const std::uint64_t before = table.preciseNanoseconds();
    for (int i = 0; i < 1000; ++i) {
        table.tick();
    }
    const auto drift = static_cast<std::int64_t>(table.preciseNanoseconds() - before) - 1000000000;
    EXPECT_LE(drift < 0 ? -drift : drift, 1000);
}

}  // namespace
