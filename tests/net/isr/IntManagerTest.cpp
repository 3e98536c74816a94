#include "net/isr/IntManager.h"

#include <gtest/gtest.h>

#include <vector>

#include "kernel/interrupts/IrqHook.h"
#include "kernel/interrupts/IrqLine.h"

namespace {

class Handler : public rxfwk_isr::IntHandler {
public:
    void Service(std::uint32_t irq) override { calls.push_back(irq); }
    std::vector<std::uint32_t> calls;
};

TEST(IntManagerTest, RegistersPairsOnceAndUnregistersAHandlerFromEveryLine) {
    rxfwk_isr::IntManager* manager = rxfwk_isr::IntManager::Instance();
    ASSERT_EQ(manager, rxfwk_isr::IntManager::Instance());
    Handler a, b;
    EXPECT_TRUE(manager->Register(&a, 6));
    EXPECT_FALSE(manager->Register(&a, 6));  // the pair is there
    EXPECT_TRUE(manager->Register(&a, 7));
    EXPECT_TRUE(manager->Register(&b, 6));
    EXPECT_FALSE(manager->Register(&a, 16));  // refused by the kernel
    EXPECT_EQ(TovIrqHookCount(6), 2u);

    TovRaiseIrq(6);
    TovRaiseIrq(7);
    EXPECT_EQ(a.calls, (std::vector<std::uint32_t>{6, 7}));
    EXPECT_EQ(b.calls, (std::vector<std::uint32_t>{6}));

    EXPECT_TRUE(manager->Unregister(&a));
    EXPECT_FALSE(manager->Unregister(&a));
    EXPECT_EQ(TovIrqHookCount(7), 0u);
    TovRaiseIrq(6);
    TovRaiseIrq(7);
    EXPECT_EQ(a.calls.size(), 2u);
    EXPECT_EQ(b.calls.size(), 2u);
    EXPECT_TRUE(manager->Unregister(&b));
    EXPECT_EQ(TovIrqHookCount(6), 0u);
}

TEST(IntManagerTest, ARefusedPairStaysRecorded) {
    rxfwk_isr::IntManager* manager = rxfwk_isr::IntManager::Instance();
    Handler h;
    EXPECT_FALSE(manager->Register(&h, 200));
    EXPECT_FALSE(manager->Register(&h, 200));  // recorded: a second time is a duplicate
    EXPECT_TRUE(manager->Unregister(&h));
}

TEST(IntHandlerTest, TheBasePollHasNoWork) {
    Handler h;
    EXPECT_FALSE(h.Poll());
}

}  // namespace
