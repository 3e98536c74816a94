#include "net/isr/InterruptSharing.h"

#include <gtest/gtest.h>

#include <vector>

#include "kernel/interrupts/IrqHook.h"
#include "kernel/interrupts/IrqLine.h"

namespace {

std::vector<DWORD> gDelivered;  // the IRQ of each call

void driverRoutine(TovInterruptContext* context) {
    gDelivered.push_back(context->irq);
}
void otherRoutine(TovInterruptContext*) {}

TEST(InterruptSharingTest, IrqVectorsShareTheLineOthersGoToTheKernel) {
    struct Row {
        DWORD vector;
        DWORD irq;  // kTovNoIrq: the kernel's own vector table
    };
    const Row rows[] = {
        {0x08, 0},         {0x0D, 5},         {0x0F, 7},         {0x70, 8},
        {0x72, 10},        {0x77, 15},        {0x07, kTovNoIrq}, {0x10, kTovNoIrq},
        {0x30, kTovNoIrq}, {0x6F, kTovNoIrq}, {0x78, kTovNoIrq}, {0xFF, kTovNoIrq},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.vector);
        TovSavedInterrupt kernelEntry{};
        if (row.irq == kTovNoIrq) {
            EXPECT_TRUE(TovSetInterruptHandler(row.vector, driverRoutine));
            ASSERT_TRUE(trueTovSaveInterruptHandler(row.vector, &kernelEntry));
            EXPECT_EQ(kernelEntry.routine, driverRoutine);
            TovSavedInterrupt saved{};
            EXPECT_TRUE(TovSaveInterruptHandler(row.vector, &saved));
            EXPECT_EQ(saved.routine, driverRoutine);
            const TovSavedInterrupt none{nullptr};
            EXPECT_TRUE(TovRestoreInterruptHandler(row.vector, &none));
            trueTovSaveInterruptHandler(row.vector, &kernelEntry);
            EXPECT_EQ(kernelEntry.routine, nullptr);
            continue;
        }
        gDelivered.clear();
        ASSERT_TRUE(TovSetInterruptHandler(row.vector, driverRoutine));
        EXPECT_FALSE(TovSetInterruptHandler(row.vector, otherRoutine));  // one routine a line
        EXPECT_EQ(TovIrqHookCount(row.irq), 1u);
        TovSavedInterrupt saved{otherRoutine};
        EXPECT_TRUE(TovSaveInterruptHandler(row.vector, &saved));
        EXPECT_EQ(saved.routine, otherRoutine);  // nothing saved

        TovRaiseIrq(row.irq);  // lines start disabled
        EXPECT_EQ(TovPicEnable(row.irq, 1), 0);
        TovRaiseIrq(row.irq);
        EXPECT_EQ(gDelivered, std::vector<DWORD>{row.irq});

        EXPECT_TRUE(TovRestoreInterruptHandler(row.vector, &saved));
        EXPECT_EQ(TovIrqHookCount(row.irq), 0u);
        TovRaiseIrq(row.irq);
        EXPECT_EQ(gDelivered.size(), 1u);
        EXPECT_FALSE(TovRestoreInterruptHandler(row.vector, &saved));  // nothing hooked
        EXPECT_EQ(TovPicEnable(row.irq, 0), 1);
    }
}

TEST(InterruptSharingTest, OnlyTheValueOneEnablesALine) {
    gDelivered.clear();
    ASSERT_TRUE(TovSetInterruptHandler(0x0B, driverRoutine));  // IRQ 3
    struct Row {
        int flag;
        int previous;
        bool delivered;
    };
    const Row rows[] = {{1, 0, true}, {2, 1, false}, {1, 0, true}, {-1, 1, false},
                        {1, 0, true}, {0, 1, false}, {0, 0, false}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(TovPicEnable(3, rows[i].flag), rows[i].previous);
        gDelivered.clear();
        TovRaiseIrq(3);
        EXPECT_EQ(gDelivered.size(), rows[i].delivered ? 1u : 0u);
    }
    EXPECT_EQ(TovPicEnable(16, 1), 0);
    EXPECT_EQ(TovPicEnable(0xFFFFFFFF, 1), 0);
    TovPicEOI(3);
    TovSavedInterrupt saved{};
    EXPECT_TRUE(TovRestoreInterruptHandler(0x0B, &saved));
}

int gHooked = 0;
void directHook(DWORD, TovInterruptContext*, void*) {
    ++gHooked;
}

TEST(InterruptSharingTest, TwoDriversShareOneLine) {
    // One driver through the sharing layer, one through the hook chain directly.
    gDelivered.clear();
    gHooked = 0;
    ASSERT_TRUE(TovSetInterruptHandler(0x74, driverRoutine));  // IRQ 12
    TovPicEnable(12, 1);
    ASSERT_TRUE(TovIrqHookAdd(12, directHook, nullptr, 0));
    TovRaiseIrq(12);
    EXPECT_EQ(gDelivered.size(), 1u);
    EXPECT_EQ(gHooked, 1);
    TovSavedInterrupt saved{};
    EXPECT_TRUE(TovRestoreInterruptHandler(0x74, &saved));
    EXPECT_EQ(TovIrqHookCount(12), 1u);
    TovPicEnable(12, 0);
    TovIrqHookRemove(12, directHook, nullptr);
}

}  // namespace
