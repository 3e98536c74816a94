#include "net/isr/SyncCallbacks.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/interrupts/IrqHook.h"
#include "kernel/interrupts/IrqLine.h"

namespace {

std::string gOrder;

void startCallback(TovInterruptContext* context, DWORD irq) {
    gOrder += "S" + std::to_string(irq);
    EXPECT_EQ(context->irq, irq);
}
void endCallback(TovInterruptContext*, DWORD irq) {
    gOrder += "E" + std::to_string(irq);
}
void deviceHook(DWORD, TovInterruptContext*, void* name) {
    gOrder += static_cast<const char*>(name);
}

TEST(SyncCallbacksTest, CallbacksBracketEveryOtherHookOfTheLine) {
    static char high[] = "h", low[] = "l";
    ASSERT_TRUE(TovIrqHookAdd(4, deviceHook, high, 0x7FFFFFFE));
    SetEndSyncCallback(endCallback);
    SetStartSyncCallback(startCallback, 0x104);  // the low 8 bits: line 4
    ASSERT_TRUE(TovIrqHookAdd(4, deviceHook, low, INT32_MIN + 1));
    SetStartSyncCallback(startCallback, 4);  // hooked already
    EXPECT_EQ(TovIrqHookCount(4), 4u);

    gOrder.clear();
    TovRaiseIrq(4);
    EXPECT_EQ(gOrder, "S4hlE4");

    SetEndSyncCallback(nullptr);
    gOrder.clear();
    TovRaiseIrq(4);
    EXPECT_EQ(gOrder, "S4hl");

    SetStartSyncCallback(nullptr, 0);  // unhooks every line
    EXPECT_EQ(TovIrqHookCount(4), 2u);
    gOrder.clear();
    TovRaiseIrq(4);
    EXPECT_EQ(gOrder, "hl");
    TovIrqHookRemove(4, deviceHook, high);
    TovIrqHookRemove(4, deviceHook, low);
}

void otherStartCallback(TovInterruptContext*, DWORD irq) {
    gOrder += "O" + std::to_string(irq);
}

TEST(SyncCallbacksTest, LineSixteenOnlyStoresTheCallback) {
    SetStartSyncCallback(startCallback, 9);
    SetStartSyncCallback(otherStartCallback, 16);
    for (DWORD irq = 0; irq < 16; ++irq) {
        EXPECT_EQ(TovIrqHookCount(irq), irq == 9 ? 2u : 0u) << irq;
    }
    gOrder.clear();
    TovRaiseIrq(9);
    EXPECT_EQ(gOrder, "O9");  // one start callback for every hooked line
    SetStartSyncCallback(nullptr, 0);
    EXPECT_EQ(TovIrqHookCount(9), 0u);
}

}  // namespace
