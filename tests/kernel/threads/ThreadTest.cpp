#include "kernel/threads/Thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/threads/Sync.h"
#include "kernel/time/Time.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

std::atomic<int> gRuns{0};

DWORD countRun(LPVOID parameter) {
    ++gRuns;
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

DWORD waitForEvent(LPVOID event) {
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 7;
}

TEST(ThreadTest, CreatedSuspendedDoesNotRunUntilResumed) {
    gRuns = 0;
    DWORD id = 0;
    HANDLE thread =
        CreateThread(nullptr, 0, countRun, reinterpret_cast<LPVOID>(42), CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    Sleep(50);
    EXPECT_EQ(gRuns, 0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gRuns, 1);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(ResumeThread(thread), 0u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadTest, SuspendCountsNest) {
    HANDLE thread = CreateThread(nullptr, 0, countRun, nullptr, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(SuspendThread(thread), 1u);
    EXPECT_EQ(ResumeThread(thread), 2u);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
}

TEST(ThreadTest, ExitCodeIsStillActiveWhileRunningThenTheValue) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 16 * 1024, waitForEvent, event, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(thread);
    CloseHandle(event);
}

unsigned exitEarly(void*) {
    ExitThread(99);
}

TEST(ThreadTest, BeginThreadExAndExitThread) {
    unsigned id = 0;
    std::uintptr_t thread = _beginthreadex(nullptr, 0, exitEarly, nullptr, 0, &id);
    ASSERT_NE(thread, 0u);
    EXPECT_NE(id, 0u);
    auto handle = reinterpret_cast<HANDLE>(thread);
    EXPECT_EQ(WaitForSingleObject(handle, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(handle, &code));
    EXPECT_EQ(code, 99u);
    CloseHandle(handle);
}

TEST(ThreadTest, NamesAreCutTo31CharactersAndTheHostNameTo15) {
    struct Row {
        std::string name;
        std::string kept;
        DWORD size;
        std::string read;
    };
    const std::string long40(40, 'x');
    const Row rows[] = {
        {"Disk Cache Flush Thread", "Disk Cache Flush Thread", 64, "Disk Cache Flush Thread"},
        {long40, long40.substr(0, 31), 64, long40.substr(0, 31)},
        {"Command Server UDP Socket Thread", "Command Server UDP Socket Threa", 64,
         "Command Server UDP Socket Threa"},
        {"abcdef", "abcdef", 4, "abc"},
        {"", "", 8, ""},
    };
    HANDLE thread = CreateThread(nullptr, 0, countRun, nullptr, CREATE_SUSPENDED, nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(TovSetThreadName(thread, row.name.c_str()));
        char buffer[64];
        EXPECT_TRUE(TovGetThreadName(thread, buffer, row.size));
        EXPECT_EQ(std::string(buffer), row.read);
    }
    ResumeThread(thread);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);

    // The calling thread by its pseudo handle; the host sees the first 15 characters.
    EXPECT_TRUE(TovSetThreadName(GetCurrentThread(), "Command Server Reset Thread"));
    char host[32] = {};
    pthread_getname_np(pthread_self(), host, sizeof host);
    EXPECT_STREQ(host, "Command Server ");
    TovSetThreadName(GetCurrentThread(), "kernel_tests");
}

TEST(ThreadTest, PriorityIsKeptAndThePseudoHandleWorks) {
    const int priorities[] = {THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_IDLE, 3, 24,
                              THREAD_PRIORITY_NORMAL};
    for (int priority : priorities) {
        SCOPED_TRACE(priority);
        EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), priority));
        EXPECT_EQ(GetThreadPriority(GetCurrentThread()), priority);
    }
    SetLastError(kSentinel);
    EXPECT_FALSE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ERROR_RETURN));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ThreadTest, ThreadsTheKernelDidNotStartHaveIdsNamesAndPriorities) {
    DWORD id = 0;
    DWORD hostId = 0;
    char name[32] = {};
    int priority = 0;
    std::thread foreign([&] {
        id = GetCurrentThreadId();
        hostId = static_cast<DWORD>(gettid());
        TovSetThreadName(GetCurrentThread(), "foreign");
        TovGetThreadName(GetCurrentThread(), name, sizeof name);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        priority = GetThreadPriority(GetCurrentThread());
    });
    foreign.join();
    EXPECT_EQ(id, hostId);
    EXPECT_STREQ(name, "foreign");
    EXPECT_EQ(priority, THREAD_PRIORITY_HIGHEST);
    EXPECT_EQ(GetCurrentThreadId(), static_cast<DWORD>(gettid()));
}

TEST(ThreadTest, ADuplicatedCurrentThreadHandleIsSignalledWhenTheThreadEnds) {
    HANDLE duplicate = nullptr;
    std::thread foreign([&] {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &duplicate, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
    });
    foreign.join();
    ASSERT_NE(duplicate, nullptr);
    EXPECT_EQ(WaitForSingleObject(duplicate, 0), WAIT_OBJECT_0);
    CloseHandle(duplicate);
}

DWORD suspendSelf(LPVOID) {
    SuspendThread(GetCurrentThread());
    return 5;
}

TEST(ThreadTest, AThreadThatSuspendsItselfWaitsForResume) {
    HANDLE thread = CreateThread(nullptr, 0, suspendSelf, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 100), WAIT_TIMEOUT);
    DWORD previous = 0xFFFFFFFF;
    for (int i = 0; i < 100 && previous != 1; ++i) {  // until it has suspended itself
        previous = ResumeThread(thread);
        if (previous == 0) {
            Sleep(10);
        }
    }
    EXPECT_EQ(previous, 1u);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
}

TEST(ThreadTest, StackOfTheCallingThreadHoldsItsLocals) {
    std::uintptr_t base = 0;
    std::size_t size = 0;
    ASSERT_TRUE(TovGetThreadStack(GetCurrentThread(), &base, &size));
    int local = 0;
    auto address = reinterpret_cast<std::uintptr_t>(&local);
    EXPECT_LT(address, base);
    EXPECT_GE(address, base - size);
}

TEST(ThreadTest, FailuresLeaveTheLastError) {
    auto bogus = reinterpret_cast<HANDLE>(0x7777);
    DWORD code = 0;
    char name[8];
    struct Row {
        const char* call;
        std::function<bool()> fails;
        DWORD error;
    };
    const Row rows[] = {
        {"ResumeThread", [&] { return ResumeThread(bogus) == 0xFFFFFFFF; }, ERROR_INVALID_HANDLE},
        {"SuspendThread", [&] { return SuspendThread(bogus) == 0xFFFFFFFF; }, ERROR_INVALID_HANDLE},
        {"GetExitCodeThread", [&] { return !GetExitCodeThread(bogus, &code); },
         ERROR_INVALID_HANDLE},
        {"GetThreadPriority",
         [&] { return GetThreadPriority(bogus) == THREAD_PRIORITY_ERROR_RETURN; },
         ERROR_INVALID_HANDLE},
        {"TovSetThreadName", [&] { return !TovSetThreadName(bogus, "x"); }, ERROR_INVALID_HANDLE},
        {"TovGetThreadName", [&] { return !TovGetThreadName(GetCurrentThread(), name, 0); },
         ERROR_INVALID_PARAMETER},
        {"CreateThread",
         [&] { return CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr) == nullptr; },
         ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(kSentinel);
        EXPECT_TRUE(row.fails());
        EXPECT_EQ(GetLastError(), row.error);
    }
}

}  // namespace
