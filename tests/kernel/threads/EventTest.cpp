#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/threads/Sync.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(EventTest, AutoAndManualResetSemantics) {
    struct Row {
        BOOL manual;
        BOOL initial;
        DWORD first;   // a wait right away
        DWORD second;  // a second wait
    };
    const Row rows[] = {
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},  // one waiter consumes it
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},  // stays signalled
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        HANDLE event = CreateEventA(nullptr, rows[i].manual, rows[i].initial, nullptr);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), rows[i].first);
        EXPECT_EQ(WaitForSingleObject(event, 10), rows[i].second);
        EXPECT_TRUE(SetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event, 0), rows[i].manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
        EXPECT_TRUE(ResetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
        CloseHandle(event);
    }
}

TEST(EventTest, TimeOutWaitsAtLeastTheTime) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const DWORD timeouts[] = {1, 30, 100};
    for (DWORD timeout : timeouts) {
        SCOPED_TRACE(timeout);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(WaitForSingleObject(event, timeout), WAIT_TIMEOUT);
        auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(timeout));
        EXPECT_LT(waited, std::chrono::milliseconds(timeout + 1000));
    }
    CloseHandle(event);
}

TEST(EventTest, OneSetOfAnAutoResetEventReleasesOneWaiter) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> released{0};
    std::thread waiters[3];
    for (auto& waiter : waiters) {
        waiter = std::thread([&] {
            if (WaitForSingleObject(event, 2000) == WAIT_OBJECT_0) {
                ++released;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    SetEvent(event);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(released, 1);
    for (int more = 2; more <= 3; ++more) {  // a set while still signalled would count once
        SetEvent(event);
        for (int i = 0; i < 200 && released < more; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released, 3);
    CloseHandle(event);
}

TEST(EventTest, AManualResetEventReleasesEveryWaiter) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> released{0};
    std::thread waiters[3];
    for (auto& waiter : waiters) {
        waiter = std::thread([&] {
            if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) {
                ++released;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SetEvent(event);
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released, 3);
    CloseHandle(event);
}

TEST(EventTest, ANameSharesTheEvent) {
    SetLastError(kSentinel);
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "EventTest.shared");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    SetLastError(kSentinel);
    HANDLE second = CreateEventA(nullptr, FALSE, TRUE, "EventTest.shared");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);  // the first one's state
    SetEvent(first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    CloseHandle(first);
    CloseHandle(second);
    // The name went with its last handle.
    SetLastError(kSentinel);
    HANDLE third = CreateEventA(nullptr, TRUE, FALSE, "EventTest.shared");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitForSingleObject(third, 0), WAIT_TIMEOUT);
    CloseHandle(third);
}

TEST(EventTest, CallsOnOtherHandlesFail) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE handles[] = {reinterpret_cast<HANDLE>(0x7777), mutex, nullptr};
    for (HANDLE handle : handles) {
        SCOPED_TRACE(handle);
        SetLastError(kSentinel);
        EXPECT_FALSE(SetEvent(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(kSentinel);
        EXPECT_FALSE(ResetEvent(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    CloseHandle(mutex);
}

}  // namespace
