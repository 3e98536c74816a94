#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/threads/Sync.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(MutexTest, ANamedMutexIsSharedAndTheSecondCreateSaysItExists) {
    SetLastError(kSentinel);
    HANDLE first = CreateMutexA(nullptr, TRUE, "MutexTest.shared");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    SetLastError(kSentinel);
    HANDLE second = CreateMutexA(nullptr, FALSE, "MutexTest.shared");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    HANDLE opened = OpenMutexA(0, FALSE, "MutexTest.shared");
    ASSERT_NE(opened, nullptr);

    // Owned by this thread through the first handle: another thread waits on the others.
    DWORD otherResult = 0;
    std::thread other([&] { otherResult = WaitForSingleObject(opened, 50); });
    other.join();
    EXPECT_EQ(otherResult, WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(second));  // same mutex, same owner
    std::thread again([&] {
        otherResult = WaitForSingleObject(opened, 1000);
        ReleaseMutex(opened);
    });
    again.join();
    EXPECT_EQ(otherResult, WAIT_OBJECT_0);
    CloseHandle(first);
    CloseHandle(second);
    CloseHandle(opened);
}

TEST(MutexTest, RecursiveOwnership) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    DWORD otherResult = 0;
    std::thread other([&] { otherResult = WaitForSingleObject(mutex, 20); });
    other.join();
    EXPECT_EQ(otherResult, WAIT_TIMEOUT);  // still held once
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(kSentinel);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    CloseHandle(mutex);
}

TEST(MutexTest, AWaiterGetsTheMutexWhenItIsReleased) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        got = WaitForSingleObject(mutex, 5000) == WAIT_OBJECT_0;
        SetLastError(kSentinel);
        ReleaseMutex(mutex);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(got);
    ReleaseMutex(mutex);
    waiter.join();
    EXPECT_TRUE(got);
    CloseHandle(mutex);
}

TEST(MutexTest, AMutexWhoseOwnerEndedIsAbandonedToTheNextWaiter) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    std::thread([&] { WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // now ours, recursively
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(MutexTest, Failures) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "MutexTest.event");
    HANDLE notOwned = CreateMutexA(nullptr, FALSE, nullptr);
    struct Row {
        const char* call;
        std::function<bool()> fails;
        DWORD error;
    };
    const Row rows[] = {
        {"OpenMutexA of a missing name",
         [] { return OpenMutexA(0, FALSE, "MutexTest.missing") == nullptr; }, ERROR_FILE_NOT_FOUND},
        {"CreateMutexA on an event's name",
         [] { return CreateMutexA(nullptr, FALSE, "MutexTest.event") == nullptr; },
         ERROR_INVALID_HANDLE},
        {"OpenMutexA on an event's name",
         [] { return OpenMutexA(0, FALSE, "MutexTest.event") == nullptr; }, ERROR_INVALID_HANDLE},
        {"ReleaseMutex of an event", [&] { return !ReleaseMutex(event); }, ERROR_INVALID_HANDLE},
        {"ReleaseMutex not owned", [&] { return !ReleaseMutex(notOwned); }, ERROR_NOT_OWNER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(kSentinel);
        EXPECT_TRUE(row.fails());
        EXPECT_EQ(GetLastError(), row.error);
    }
    CloseHandle(event);
    CloseHandle(notOwned);
}

}  // namespace
