#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "kernel/boot/EventLog.h"
#include "kernel/hw/Exception.h"

namespace {

struct Seen {
    std::atomic<int> calls{0};
    DWORD code = 0;
    ULONG_PTR address = 0;
    ULONG_PTR access = 0;
    ULONGLONG rip = 0;
    ULONGLONG rsp = 0;
    TovThreadInfo thread{};
    BOOL threadKnown = FALSE;
};
Seen gSeen;
LONG gVerdict = EXCEPTION_EXECUTE_HANDLER;

LONG recordingFilter(EXCEPTION_POINTERS* exception) {
    gSeen.code = exception->ExceptionRecord->ExceptionCode;
    gSeen.access = exception->ExceptionRecord->ExceptionInformation[0];
    gSeen.address = exception->ExceptionRecord->ExceptionInformation[1];
    gSeen.rip = exception->ContextRecord->Rip;
    gSeen.rsp = exception->ContextRecord->Rsp;
    gSeen.threadKnown = TovGetThreadInfo(&gSeen.thread);
    gSeen.calls.fetch_add(1);
    return gVerdict;
}

bool waitForCalls(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (gSeen.calls.load() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

volatile int* volatile gBadAddress = reinterpret_cast<int*>(16);

void* writeThroughBadPointer(void*) {
    ::pthread_setname_np(::pthread_self(), "faulter");
    *gBadAddress = 1;
    return nullptr;
}

class UnhandledException : public ::testing::Test {
protected:
    void TearDown() override { SetUnhandledExceptionFilter(nullptr); }
};

TEST_F(UnhandledException, FaultingThreadIsReportedAndNeverRunsAgain) {
    gSeen.calls = 0;
    gVerdict = EXCEPTION_EXECUTE_HANDLER;
    TovClearEventLog();
    ASSERT_EQ(SetUnhandledExceptionFilter(recordingFilter), nullptr);

    pthread_t faulter;
    ASSERT_EQ(::pthread_create(&faulter, nullptr, writeThroughBadPointer, nullptr), 0);
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(gSeen.code, EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(gSeen.access, 1u);  // a write
    EXPECT_EQ(gSeen.address, 16u);
    EXPECT_NE(gSeen.rip, 0u);
    ASSERT_TRUE(gSeen.threadKnown);
    EXPECT_STREQ(gSeen.thread.name, "faulter");
    EXPECT_GE(gSeen.rsp, gSeen.thread.stackBase);
    EXPECT_LT(gSeen.rsp, gSeen.thread.stackBase + gSeen.thread.stackSize);
    EXPECT_GE(TovEventCount(), 1u);

    // The thread stays parked; a second fault is dispatched as well.
    ::pthread_detach(faulter);
    std::thread second([] { ::raise(SIGFPE); });
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_EQ(gSeen.code, EXCEPTION_INT_DIVIDE_BY_ZERO);
    second.detach();
}

TEST_F(UnhandledException, SignalSentByKillIsReportedAndTheThreadGoesOn) {
    gSeen.calls = 0;
    gVerdict = EXCEPTION_EXECUTE_HANDLER;
    SetUnhandledExceptionFilter(recordingFilter);
    ASSERT_EQ(::kill(::getpid(), SIGSEGV), 0);
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(gSeen.code, EXCEPTION_ACCESS_VIOLATION);
    EXPECT_NE(gSeen.rip, 0u);
    // The token came back: the next one is reported as well.
    ASSERT_EQ(::kill(::getpid(), SIGILL), 0);
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_EQ(gSeen.code, EXCEPTION_ILLEGAL_INSTRUCTION);
}

TEST_F(UnhandledException, ContinueSearchLeavesTheDefaultHandling) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            gVerdict = EXCEPTION_CONTINUE_SEARCH;
            SetUnhandledExceptionFilter(recordingFilter);
            *gBadAddress = 1;
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EXIT(
        {
            gVerdict = EXCEPTION_CONTINUE_SEARCH;
            SetUnhandledExceptionFilter(recordingFilter);
            ::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_EXIT(
        {
            gVerdict = EXCEPTION_CONTINUE_SEARCH;
            SetUnhandledExceptionFilter(recordingFilter);
            ::kill(::getpid(), SIGFPE);
            ::sleep(10);
        },
        ::testing::KilledBySignal(SIGFPE), "");
}

TEST_F(UnhandledException, WithoutAFilterTheSignalEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SetUnhandledExceptionFilter(recordingFilter);
    SetUnhandledExceptionFilter(nullptr);
    EXPECT_EXIT(::raise(SIGBUS), ::testing::KilledBySignal(SIGBUS), "");
}

}  // namespace
