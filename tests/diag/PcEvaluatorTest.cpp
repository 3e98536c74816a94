#include "diag/PcEvaluator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "app/services/EmbeddedServices.h"
#include "diag/ProcessorIdentification.h"

namespace nZUEmbCfg {
namespace {

std::map<DWORD, TovCpuidRegisters> gCpuid;

BOOL fakeCpuid(DWORD function, TovCpuidRegisters* registers) {
    auto found = gCpuid.find(function);
    *registers = found != gCpuid.end() ? found->second : TovCpuidRegisters{};
    return TRUE;
}

DWORD word(const char* four) {
    DWORD value = 0;
    std::memcpy(&value, four, 4);
    return value;
}

// CPUID answers of a processor with this vendor, highest basic function and signature, and
// optionally a brand string.
void processor(const char* vendor, DWORD highest, DWORD signature, const char* brand = nullptr) {
    gCpuid.clear();
    gCpuid[0] = {highest, word(vendor), word(vendor + 8), word(vendor + 4)};
    gCpuid[1] = {signature, 0, 0, 0};
    if (brand != nullptr) {
        char text[48] = {};
        std::memcpy(text, brand, std::min(std::strlen(brand), sizeof text - 1));
        gCpuid[0x80000000] = {0x80000008, 0, 0, 0};
        for (DWORD i = 0; i < 3; ++i) {
            const char* part = text + i * 16;
            gCpuid[0x80000002 + i] = {word(part), word(part + 4), word(part + 8), word(part + 12)};
        }
    } else {
        gCpuid[0x80000000] = {0x80000001, 0, 0, 0};
    }
}

TEST(ProcessorIdentificationTest, BrandStringOrVendorAndIntelFamily) {
    struct Row {
        const char* vendor;
        DWORD highest;
        DWORD signature;
        const char* brand;
        std::string expected;
    };
    const Row rows[] = {
        {"GenuineIntel", 2, 0x0633, "Intel(R) Pentium(R) III CPU",
         "CPU: Intel(R) Pentium(R) III CPU \n"},
        {"GenuineIntel", 1, 0x0480, nullptr, "CPU: GenuineIntel 486 Family\n"},
        {"GenuineIntel", 1, 0x0543, nullptr, "CPU: GenuineIntel Pentium Family\n"},
        {"GenuineIntel", 1, 0x2633, nullptr, "CPU: GenuineIntel Pentium II/III Family Dual\n"},
        {"GenuineIntel", 1, 0x0F29, nullptr, "CPU: GenuineIntel Pentium IV Family\n"},
        {"GenuineIntel", 1, 0x2733, nullptr, "CPU: GenuineIntel  Dual\n"},
        {"AuthenticAMD", 1, 0x2633, nullptr, "CPU: AuthenticAMD \n"},
        {"GenuineIntel", 0, 0x0633, nullptr, "\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        processor(row.vendor, row.highest, row.signature, row.brand);
        EXPECT_EQ(processorIdentification(&fakeCpuid), row.expected);
    }
    // This machine's own processor, as far as CPUID goes.
    EXPECT_EQ(processorIdentification().back(), '\n');
}

class PcEvaluatorTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = rx_fwk::EmbeddedServices::instance().systemState(); }
    void TearDown() override { rx_fwk::EmbeddedServices::instance().setSystemState(saved_); }
    std::string saved_;
};

TEST_F(PcEvaluatorTest, LessThanEightMegabytesIsAMemoryConfigurationError) {
    const std::string error = "\tError! Insufficient memory to run Tessel Real-Time.\n";
    struct Row {
        std::uint64_t total;
        std::string printed;
        bool insufficient;
    } rows[] = {
        {7u << 20, "Total Memory: 7.00 Mb\n" + error, true},
        {(8u << 20) - 1, "Total Memory: 8.00 Mb\n" + error, true},
        {8u << 20, "Total Memory: 8.00 Mb\n", false},
        {24ull << 30, "Total Memory: 24576.00 Mb\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.total);
        rx_fwk::EmbeddedServices::instance().setSystemState("before");
        testing::internal::CaptureStdout();
        reportMemory(row.total);
        std::fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.printed);
        EXPECT_EQ(rx_fwk::EmbeddedServices::instance().systemState(),
                  row.insufficient ? "Memory Configuration Error" : "before");
    }
}

TEST_F(PcEvaluatorTest, PciBiosText) {
    EXPECT_EQ(pciBiosText(FALSE, TovPCIBiosInfo{}), "Error: No PCI BIOS present.\n");
    EXPECT_EQ(pciBiosText(TRUE, TovPCIBiosInfo{2, 10, 0x11, 0}),
              "PCI BIOS found. Version: 2.10, Hardware Mechanism: 11\n");
}

TEST_F(PcEvaluatorTest, RunOnThisMachineLeavesTheCompatibleState) {
    testing::internal::CaptureStdout();
    runPcEvaluator();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(rx_fwk::EmbeddedServices::instance().systemState(),
              "Tested configuration is compatible with Tessel Real-Time.");
    const char* inOrder[] = {"Tessel Real-Time 8.2 PC Evaluator.\n\nDisclaimer: This utility",
                             "BIOS settings,or reformat the hard drive.\n",
                             "\"Requirements for a Desktop PC as a Tessel Real-Time Target\"",
                             "Checking BIOS ...",
                             "PCI BIOS",
                             "Checking Memory ...",
                             "Total Memory: "};
    std::size_t at = 0;
    for (const char* text : inOrder) {
        SCOPED_TRACE(text);
        at = out.find(text, at);
        ASSERT_NE(at, std::string::npos) << out;
    }
}

}  // namespace
}  // namespace nZUEmbCfg
