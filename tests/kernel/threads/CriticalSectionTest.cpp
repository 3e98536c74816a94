#include <gtest/gtest.h>

#include <thread>

#include "kernel/threads/Sync.h"

namespace {

TEST(CriticalSectionTest, RecursiveForItsOwnerExclusiveForOthers) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    BOOL other = TRUE;
    std::thread([&] { other = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(other);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    std::thread([&] {
        other = TryEnterCriticalSection(&section);
        if (other) {
            LeaveCriticalSection(&section);
        }
    }).join();
    EXPECT_TRUE(other);
    DeleteCriticalSection(&section);
}

TEST(CriticalSectionTest, GuardsACounter) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    long counter = 0;
    std::thread workers[4];
    for (auto& worker : workers) {
        worker = std::thread([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&section);
                ++counter;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&section);
}

}  // namespace
