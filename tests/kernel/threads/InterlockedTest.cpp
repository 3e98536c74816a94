#include <gtest/gtest.h>

#include "kernel/threads/Sync.h"

namespace {

TEST(InterlockedTest, IncrementAndDecrementAnswerTheNewValueExchangeTheOld) {
    volatile LONG value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 42), 5);
    EXPECT_EQ(value, 42);
    value = 0x7fffffff;
    EXPECT_EQ(InterlockedIncrement(&value), static_cast<LONG>(0x80000000));
}

}  // namespace
