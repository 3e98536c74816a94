#include "app/startup/MemoryManagerBoost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "kernel/base/Handle.h"
#include "kernel/heap/LocalMemory.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"
#include "tests/support/TempDisk.h"

namespace {

TEST(MemoryManagerBoostSetting, OnlyTrueInAnyCaseEnablesAndTheValueIsCutToFive) {
    lbtest::TempDisk disk;
    const struct {
        const char* ini;
        const char* read;
        bool enabled;
    } rows[] = {
        {"", "False", false},
        {"BoostMemoryManager=TRUE", "TRUE", true},
        {"BoostMemoryManager=true", "true", true},
        {"BoostMemoryManager=Yes", "Yes", false},
        {"BoostMemoryManager=TrueXY", "TrueX", false},
        {"BoostMemoryManager=FALSE", "FALSE", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.ini);
        disk.writeHostFile("zu-rt.ini", std::string("[SystemSettings]\r\n") + row.ini + "\r\n");
        const std::string read = rx_fwk::readBoostMemoryManagerSetting();
        EXPECT_EQ(read, row.read);
        EXPECT_EQ(rx_fwk::boostMemoryManagerEnabledBy(read), row.enabled);
    }
}

// The heap under the boost: one request size holds its caller inside until released, another
// notes its caller's priority while inside.
constexpr SIZE_T kHoldingSize = 123457;
constexpr SIZE_T kProbeSize = 123461;
HANDLE gInside = nullptr;
HANDLE gRelease = nullptr;
std::atomic<int> gPriorityInside{THREAD_PRIORITY_ERROR_RETURN};
const TovLocalMemoryEntryPoints* gHeap = nullptr;

HLOCAL probingAlloc(UINT flags, SIZE_T bytes) {
    if (bytes == kHoldingSize) {
        SetEvent(gInside);
        WaitForSingleObject(gRelease, INFINITE);
    } else if (bytes == kProbeSize) {
        gPriorityInside = GetThreadPriority(GetCurrentThread());
    }
    return gHeap->alloc(flags, bytes);
}

DWORD holdInsideTheHeap(LPVOID) {
    LocalFree(LocalAlloc(LMEM_FIXED, kHoldingSize));
    return 0;
}

int priorityInsideWhileHeld(int priority) {
    SetThreadPriority(GetCurrentThread(), priority);
    HANDLE holder = CreateThread(nullptr, 0, holdInsideTheHeap, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(gInside, 10000), WAIT_OBJECT_0);
    LocalFree(LocalAlloc(LMEM_FIXED, kProbeSize));
    SetEvent(gRelease);
    WaitForSingleObject(holder, INFINITE);
    CloseHandle(holder);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), priority);  // lowered again afterwards
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    return gPriorityInside.exchange(THREAD_PRIORITY_ERROR_RETURN);
}

TEST(MemoryManagerBoost, AThreadMeetingAnotherInsideTheHeapIsRaisedOneStepBelowLevel24) {
    lbtest::TempDisk disk;
    disk.writeHostFile("zu-rt.ini", "[SystemSettings]\r\nBoostMemoryManager=True\r\n");
    gInside = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    gRelease = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    gHeap = TovGetLocalMemoryEntryPoints();
    static const TovLocalMemoryEntryPoints probing{probingAlloc, gHeap->size, gHeap->reAlloc,
                                                   gHeap->free};
    ASSERT_TRUE(TovSetLocalMemoryEntryPoints(&probing));
    ASSERT_TRUE(rx_fwk::setUpMemoryManagerBoost());  // wraps the probing heap for good

    // Alone in the heap: not raised.
    LocalFree(LocalAlloc(LMEM_FIXED, kProbeSize));
    EXPECT_EQ(gPriorityInside.exchange(THREAD_PRIORITY_ERROR_RETURN), THREAD_PRIORITY_NORMAL);
    // Levels are the priority plus 16: normal (16) and 7 (23) are raised, 8 (24) is not.
    EXPECT_EQ(priorityInsideWhileHeld(THREAD_PRIORITY_NORMAL), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(priorityInsideWhileHeld(7), 8);
    EXPECT_EQ(priorityInsideWhileHeld(8), 8);
    EXPECT_EQ(priorityInsideWhileHeld(THREAD_PRIORITY_TIME_CRITICAL),
              THREAD_PRIORITY_TIME_CRITICAL);
}

}  // namespace
