#include "kernel/boot/EventLog.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"

namespace {

class EventLog : public ::testing::Test {
protected:
    void SetUp() override {
        TovSuspendEventLog(FALSE);
        TovClearEventLog();
    }
    void TearDown() override {
        TovSuspendEventLog(FALSE);
        TovClearEventLog();
    }

    static std::string format(DWORD index, DWORD size = 1024) {
        std::string buffer(size, '\x7f');
        if (!TovFormatEvent(index, buffer.data(), size)) {
            return "<none>";
        }
        return buffer.c_str();
    }
};

TEST_F(EventLog, KeepsTheNewestEventsInOrder) {
    for (std::size_t i = 0; i < kEventLogCapacity + 5; ++i) {
        TovRecordEvent(TovEvent::ThreadCreate, "thread %zu", i);
    }
    ASSERT_EQ(TovEventCount(), kEventLogCapacity);
    EXPECT_NE(format(0).find("THREAD CREATE  thread 5\n"), std::string::npos) << format(0);
    EXPECT_NE(format(kEventLogCapacity - 1).find("thread " + std::to_string(kEventLogCapacity + 4)),
              std::string::npos);
    EXPECT_EQ(format(kEventLogCapacity), "<none>");
}

TEST_F(EventLog, SuspendedRecordingKeepsNothingAndReportsThePreviousState) {
    TovRecordEvent(TovEvent::DllLoad, "first.dll");
    EXPECT_FALSE(TovSuspendEventLog(TRUE));
    TovRecordEvent(TovEvent::DllLoad, "second.dll");
    EXPECT_TRUE(TovSuspendEventLog(TRUE));
    EXPECT_TRUE(TovSuspendEventLog(FALSE));
    TovRecordEvent(TovEvent::DllUnload, "first.dll");
    ASSERT_EQ(TovEventCount(), 2u);
    EXPECT_NE(format(0).find("DLL LOAD       first.dll"), std::string::npos) << format(0);
    EXPECT_NE(format(1).find("DLL UNLOAD     first.dll"), std::string::npos) << format(1);
}

TEST_F(EventLog, TextsAreCutToTheirRoomAndTheBuffer) {
    TovRecordEvent(TovEvent::Note, "%s", std::string(300, 'x').c_str());
    const std::string full = format(0);
    EXPECT_NE(full.find(std::string(kEventTextMax, 'x') + "\n"), std::string::npos);
    EXPECT_EQ(full.find(std::string(kEventTextMax + 1, 'x')), std::string::npos);
    EXPECT_EQ(format(0, 8), full.substr(0, 7));
}

}  // namespace

namespace {

DWORD returnSeven(LPVOID) { return 7; }

TEST_F(EventLog, KernelThreadsRecordTheirStartAndEnd) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &returnSeven, nullptr, 0, &id);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);

    std::string all;
    for (DWORD i = 0; i < TovEventCount(); ++i) {
        all += format(i);
    }
    const std::string self = "thread " + std::to_string(id);
    EXPECT_NE(all.find(self + " started"), std::string::npos) << all;
    EXPECT_NE(all.find(self + " ended, code 7"), std::string::npos) << all;
}

}  // namespace
