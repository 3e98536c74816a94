#include "kernel/hw/Cpuid.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

namespace {

TEST(CpuidTest, FunctionZeroNamesTheVendor) {
#if defined(__x86_64__) || defined(__i386__)
    TovCpuidRegisters registers{};
    ASSERT_TRUE(TovCpuid(0, &registers));
    EXPECT_GT(registers.eax, 0u);
    char vendor[13] = {};
    std::memcpy(vendor, &registers.ebx, 4);
    std::memcpy(vendor + 4, &registers.edx, 4);
    std::memcpy(vendor + 8, &registers.ecx, 4);
    for (char c : std::string(vendor)) {
        EXPECT_TRUE(std::isprint(static_cast<unsigned char>(c))) << vendor;
    }
    EXPECT_EQ(std::strlen(vendor), 12u);
#else
    GTEST_SKIP() << "no CPUID on this processor";
#endif
    EXPECT_FALSE(TovCpuid(0, nullptr));
}

}  // namespace
