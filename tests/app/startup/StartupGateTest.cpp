#include "app/startup/StartupGate.h"

#include <gtest/gtest.h>

namespace rx_fwk {
namespace {

TEST(StartupGate, NothingRunsOnceAPowerOffHasBegun) {
    StartupGate gate;
    int steps = 0;
    EXPECT_TRUE(gate.run([&] { ++steps; }));
    EXPECT_FALSE(gate.beginPowerOff());  // no service began: nothing to stop
    EXPECT_FALSE(gate.run([&] { ++steps; }));
    EXPECT_FALSE(gate.beginServices());
    EXPECT_EQ(steps, 1);
}

TEST(StartupGate, APowerOffAfterTheServicesBeganStopsThem) {
    StartupGate gate;
    EXPECT_TRUE(gate.beginServices());
    EXPECT_TRUE(gate.beginPowerOff());
}

}  // namespace
}  // namespace rx_fwk
