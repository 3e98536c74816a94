#include <gtest/gtest.h>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(HandleTableTest, AClosedHandleStaysInvalid) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(CloseHandle(event));
    const HANDLE handles[] = {event, nullptr, reinterpret_cast<HANDLE>(0x7777)};
    for (HANDLE handle : handles) {
        SCOPED_TRACE(handle);
        SetLastError(kSentinel);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    // A new object never gets the old value.
    HANDLE next = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(next, event);
    CloseHandle(next);
}

TEST(HandleTableTest, ADuplicateReachesTheSameObjectUntilBothAreClosed) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &duplicate, 0,
                                FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_NE(duplicate, event);
    EXPECT_TRUE(CloseHandle(event));
    SetEvent(duplicate);
    EXPECT_EQ(WaitForSingleObject(duplicate, 0), WAIT_OBJECT_0);

    HANDLE moved = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), duplicate, GetCurrentProcess(), &moved, 0,
                                FALSE, DUPLICATE_CLOSE_SOURCE));
    SetLastError(kSentinel);
    EXPECT_FALSE(CloseHandle(duplicate));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(moved, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(moved));
}

TEST(HandleTableTest, PseudoHandles) {
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));
    HANDLE target = nullptr;
    SetLastError(kSentinel);
    EXPECT_FALSE(DuplicateHandle(reinterpret_cast<HANDLE>(0x7777), GetCurrentThread(),
                                 GetCurrentProcess(), &target, 0, FALSE, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
