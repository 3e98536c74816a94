#include <gtest/gtest.h>

#include <thread>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(WaitTest, AnyReturnsTheFirstSignalledIndexAllNeedsEveryOne) {
    HANDLE events[3];
    for (HANDLE& event : events) {
        event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(events[2]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
    SetEvent(events[1]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 10), WAIT_TIMEOUT);
    SetEvent(events[0]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_OBJECT_0);
    for (HANDLE event : events) {
        CloseHandle(event);
    }
}

TEST(WaitTest, WaitAllTakesAutoResetEventsTogether) {
    HANDLE events[2] = {CreateEventA(nullptr, FALSE, TRUE, nullptr),
                        CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 10), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0);  // not taken by the wait
    SetEvent(events[0]);
    std::thread setter([&] { SetEvent(events[1]); });
    EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 5000), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);  // both taken
    CloseHandle(events[0]);
    CloseHandle(events[1]);
}

DWORD quick(LPVOID) {
    return 3;
}

TEST(WaitTest, AThreadIsSignalledWhenItEnds) {
    HANDLE thread = CreateThread(nullptr, 0, quick, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    CloseHandle(thread);
}

TEST(WaitTest, Failures) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    HANDLE many[MAXIMUM_WAIT_OBJECTS + 1];
    for (HANDLE& handle : many) {
        handle = event;
    }
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    HANDLE bogus = reinterpret_cast<HANDLE>(0x7777);
    HANDLE mixed[] = {event, bogus};
    HANDLE process = GetCurrentProcess();
    struct Row {
        const char* call;
        DWORD count;
        const HANDLE* handles;
        DWORD error;
    };
    const Row rows[] = {
        {"a closed handle", 1, &closed, ERROR_INVALID_HANDLE},
        {"a bogus handle among good ones", 2, mixed, ERROR_INVALID_HANDLE},
        {"the process pseudo handle", 1, &process, ERROR_INVALID_HANDLE},
        {"no handles", 0, many, ERROR_INVALID_PARAMETER},
        {"too many handles", MAXIMUM_WAIT_OBJECTS + 1, many, ERROR_INVALID_PARAMETER},
        {"no array", 1, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(kSentinel);
        EXPECT_EQ(WaitForMultipleObjects(row.count, row.handles, FALSE, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), row.error);
    }
    CloseHandle(event);
}

}  // namespace
