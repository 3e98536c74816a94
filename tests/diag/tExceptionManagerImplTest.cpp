#include "diag/tExceptionManagerImpl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "config/ConfigManager.h"
#include "kernel/base/Handle.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"
#include "tests/support/TempDisk.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::atomic<int> gReboots{0};
void countReboot() {
    gReboots.fetch_add(1);
}

volatile int* volatile gBadAddress = reinterpret_cast<int*>(8);

DWORD faultingThread(LPVOID) {
    TovSetThreadName(GetCurrentThread(), "Faulting Test Thread");
    *gBadAddress = 1;
    return 0;
}

bool waitForReboots(int count) {
    for (int waited = 0; gReboots.load() < count; waited += 10) {
        if (waited > 10000) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

class ExceptionManager : public ::testing::Test {
protected:
    std::unique_ptr<nZUEmbCfg::tExceptionManagerImpl> install(const std::string& ini) {
        disk_.writeHostFile("zu-rt.ini", ini);
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        auto manager = std::make_unique<nZUEmbCfg::tExceptionManagerImpl>(&countReboot);
        manager->installHandlers(*settings);
        return manager;
    }

    void crashAThread() {
        HANDLE thread = CreateThread(nullptr, 0, faultingThread, nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        CloseHandle(thread);
    }

    lbtest::TempDisk disk_;
};

TEST_F(ExceptionManager, CrashIsReportedAndTheMachineReboots) {
    disk_.writeHostFile("zu-rt/system/rtlog.txt", std::string(200000, 'x'));
    auto manager = install("");
    ASSERT_TRUE(manager->installed());

    gReboots = 0;
    ::testing::internal::CaptureStdout();
    crashAThread();
    ASSERT_TRUE(waitForReboots(1));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Rebooting system due to exception 0xC0000005\n");

    // The old content was over 128 KiB: only the new report is left.
    const std::string log = disk_.readHostFile("zu-rt/system/rtlog.txt");
    EXPECT_THAT(log, StartsWith("*** BEGIN SYSTEM EXCEPTION LOG ***\r\n\r\nTarget type: "));
    EXPECT_THAT(log, HasSubstr("Exception code: 0xC0000005\r\n"));
    EXPECT_THAT(log, HasSubstr("Thread name: Faulting Test Thread\r\n"));
    EXPECT_THAT(log, HasSubstr("Level  1:  Code pointer: 0x"));
    EXPECT_THAT(log, HasSubstr(" diag_tests ("));
    EXPECT_THAT(log, HasSubstr("Saved "));
    EXPECT_THAT(log, ::testing::EndsWith("*** END SYSTEM EXCEPTION LOG ***\r\n\r\n"));
    EXPECT_THAT(disk_.readHostFile("zu-rt/system/eventlog.txt"), HasSubstr("EXCEPTION"));

    // A second crash is appended to the first report.
    ::testing::internal::CaptureStdout();
    crashAThread();
    ASSERT_TRUE(waitForReboots(2));
    ::testing::internal::GetCapturedStdout();
    const std::string both = disk_.readHostFile("zu-rt/system/rtlog.txt");
    EXPECT_EQ(both.find("*** BEGIN", 1), log.size());
}

TEST_F(ExceptionManager, SwitchedOffHandlersLeaveExceptionsAlone) {
    auto manager = install("[debug]\r\nInstallExceptionHandlers=FALSE\r\n");
    EXPECT_FALSE(manager->installed());
    EXCEPTION_RECORD record{};
    CONTEXT context{};
    EXCEPTION_POINTERS pointers{&record, &context};
    EXPECT_EQ(manager->handleException(&pointers), EXCEPTION_CONTINUE_SEARCH);
}

TEST_F(ExceptionManager, ReportWithoutASystemDirectoryStillReboots) {
    auto manager = install("");
    gReboots = 0;
    ::testing::internal::CaptureStdout();
    crashAThread();
    ASSERT_TRUE(waitForReboots(1));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Rebooting system due to exception 0xC0000005\n");
}

}  // namespace
