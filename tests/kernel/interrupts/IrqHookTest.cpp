#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/interrupts/InterruptFlag.h"
#include "kernel/interrupts/IrqHook.h"
#include "kernel/interrupts/IrqLine.h"

namespace {

constexpr DWORD kLine = 5;

struct Calls {
    std::string order;
    std::vector<DWORD> vectors;
};
Calls gCalls;

// The hook context is the hook's one-letter name.
void recordingHook(DWORD irq, TovInterruptContext* context, void* hookContext) {
    gCalls.order += *static_cast<const char*>(hookContext);
    gCalls.vectors.push_back(context->vector);
    EXPECT_EQ(irq, context->irq);
}

int gPlainCalls = 0;
void plainRoutine(TovInterruptContext*) {
    ++gPlainCalls;
}

TEST(IrqHookTest, HooksRunByDescendingPriorityNewestFirstAmongEquals) {
    struct Row {
        std::vector<std::pair<char, LONG>> hooks;  // in the order they are added
        std::string called;
    };
    const Row rows[] = {
        {{{'a', 0}, {'b', 0}}, "ba"},
        {{{'a', 0}, {'b', 5}, {'c', -5}}, "bac"},
        {{{'a', 0x7FFFFFFF}, {'b', INT32_MIN}, {'c', 0}, {'d', 0}}, "adcb"},
    };
    static const char kNames[] = "abcd";
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        gCalls = {};
        for (const auto& [name, priority] : rows[i].hooks) {
            void* context = const_cast<char*>(&kNames[name - 'a']);
            ASSERT_TRUE(TovIrqHookAdd(kLine, recordingHook, context, priority));
        }
        ASSERT_TRUE(TovRaiseIrq(kLine));
        EXPECT_EQ(gCalls.order, rows[i].called);
        EXPECT_EQ(gCalls.vectors, std::vector<DWORD>(rows[i].called.size(), 0x0D));
        for (const auto& hook : rows[i].hooks) {
            EXPECT_TRUE(TovIrqHookRemove(kLine, recordingHook,
                                         const_cast<char*>(&kNames[hook.first - 'a'])));
        }
        EXPECT_EQ(TovIrqHookCount(kLine), 0u);
    }
}

// A hook that removes the hook named by its context before that one runs.
void removingHook(DWORD irq, TovInterruptContext*, void* hookContext) {
    gCalls.order += 'r';
    TovIrqHookRemove(irq, recordingHook, hookContext);
}

TEST(IrqHookTest, RemovalStopsTheHookAndTheLastOneGivesTheLineBack) {
    static char a = 'a', b = 'b';
    gCalls = {};
    gPlainCalls = 0;
    ASSERT_TRUE(trueTovSetInterruptHandler(TovVectorOfIrq(kLine), plainRoutine));
    ASSERT_TRUE(TovIrqHookAdd(kLine, recordingHook, &a, 0));
    ASSERT_TRUE(TovIrqHookAdd(kLine, recordingHook, &b, 0));
    ASSERT_TRUE(TovIrqHookAdd(kLine, removingHook, &a, 1));
    TovRaiseIrq(kLine);
    EXPECT_EQ(gCalls.order, "rb");  // 'a' went during the pass that would have called it
    EXPECT_EQ(gPlainCalls, 0);      // the dispatcher stands in for the line's routine

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovIrqHookRemove(kLine, recordingHook, &a));
    EXPECT_EQ(GetLastError(), ERROR_NOT_FOUND);
    EXPECT_TRUE(TovIrqHookRemove(kLine, removingHook, &a));
    EXPECT_TRUE(TovIrqHookRemove(kLine, recordingHook, &b));
    TovRaiseIrq(kLine);
    EXPECT_EQ(gCalls.order, "rb");
    EXPECT_EQ(gPlainCalls, 1);
    trueTovSetInterruptHandler(TovVectorOfIrq(kLine), nullptr);
}

TEST(IrqHookTest, LinesAbove15AreRefused) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovIrqHookAdd(16, recordingHook, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(TovRaiseIrq(16));
    EXPECT_FALSE(TovIrqHookAdd(3, nullptr, nullptr, 0));
}

std::atomic<int> gCounted{0};
void countingHook(DWORD, TovInterruptContext*, void*) {
    gCounted.fetch_add(1);
}

TEST(IrqHookTest, NoLineIsDeliveredWhileInterruptsAreDisabled) {
    gCounted = 0;
    ASSERT_TRUE(TovIrqHookAdd(kLine, countingHook, nullptr, 0));

    EXPECT_TRUE(TovSetInterruptFlag(FALSE));   // were enabled
    EXPECT_FALSE(TovSetInterruptFlag(FALSE));  // nested: already disabled
    TovRaiseIrq(kLine);
    TovRaiseIrq(kLine);  // still the one pending interrupt
    std::thread other([] { TovRaiseIrq(kLine); });
    // The other thread's interrupt waits for the flag; what it delivers is counted below.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(gCounted.load(), 0);
    EXPECT_FALSE(TovSetInterruptFlag(TRUE));  // previous state: disabled
    other.join();
    EXPECT_GE(gCounted.load(), 1);
    EXPECT_LE(gCounted.load(), 2);
    EXPECT_TRUE(TovSetInterruptFlag(TRUE));  // already enabled
    EXPECT_TRUE(TovIrqHookRemove(kLine, countingHook, nullptr));
}

std::atomic<bool> gHookEntered{false};
std::atomic<bool> gHookMayLeave{false};
void blockingHook(DWORD, TovInterruptContext*, void*) {
    gHookEntered = true;
    while (!gHookMayLeave) {
        std::this_thread::yield();
    }
}

TEST(IrqHookTest, RemovalWaitsForTheHookRunningOnAnotherThread) {
    ASSERT_TRUE(TovIrqHookAdd(kLine, blockingHook, nullptr, 0));
    std::thread raiser([] { TovRaiseIrq(kLine); });
    while (!gHookEntered) {
        std::this_thread::yield();
    }
    std::atomic<bool> removed{false};
    std::thread remover([&removed] {
        EXPECT_TRUE(TovIrqHookRemove(kLine, blockingHook, nullptr));
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(removed.load());  // the hook still runs: whatever it uses must stay
    gHookMayLeave = true;
    remover.join();
    raiser.join();
    EXPECT_TRUE(removed.load());
}

TEST(IrqHookTest, FreeLinesAreHandedOutOnce) {
    static char unused;
    ASSERT_TRUE(TovIrqHookAdd(4, recordingHook, &unused, 0));
    std::vector<DWORD> claimed;
    for (DWORD irq = TovClaimIrqLine(); irq != kTovNoIrq; irq = TovClaimIrqLine()) {
        claimed.push_back(irq);
    }
    EXPECT_EQ(claimed, (std::vector<DWORD>{3, 5, 6, 7, 9, 10, 11, 12, 14, 15}));
    for (DWORD irq : claimed) {
        TovReleaseIrqLine(irq);
    }
    TovIrqHookRemove(4, recordingHook, &unused);
    EXPECT_EQ(TovClaimIrqLine(), 3u);
    TovReleaseIrqLine(3);
}

}  // namespace
