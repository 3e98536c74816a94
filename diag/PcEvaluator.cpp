// The evaluator's start-up part: everything goes to standard output, nothing to the log.
#include "diag/PcEvaluator.h"

#include <cstdio>

#include "app/services/EmbeddedServices.h"
#include "diag/ClearBackTo.h"
#include "diag/ProcessorIdentification.h"
#include "kernel/hw/MemoryStatistics.h"
#include "kernel/time/Time.h"

namespace nZUEmbCfg {
namespace {

constexpr DWORD kBannerMs = 12000;
constexpr DWORD kCheckMs = 1000;
// No bit of this mask set: less than 8 MiB.
constexpr std::uint64_t kEnoughMemoryMask = ~std::uint64_t{0x7FFFFF};

constexpr char kBanner[] =
    "Tessel Real-Time 8.2 PC Evaluator.\n"
    "\n"
    "Disclaimer: This utility will test your PC configuration for compatibility as\n"
    "a Tessel Real-Time target. A sequence of tests will execute to validate the\n"
    "hardware and software setup of the system. If a message appears reporting that\n"
    "validation succeeded, then the PC may be used as a Tessel Real-Time target.\n"
    "However, if the validation reports configuration errors or does not complete\n"
    "successfully, you will need to modify the hardware configuration, BIOS settings,or "
    "reformat the hard drive.\n"
    "For more information see the vendor's support web site and its knowledge-base article\n"
    "\"Requirements for a Desktop PC as a Tessel Real-Time Target\".\n";

COORD cursor() {
    COORD position{0, 0};
    TovGetConsoleCursor(&position);
    return position;
}

}  // namespace

std::string pciBiosText(BOOL present, const TovPCIBiosInfo& info) {
    if (!present) {
        return "Error: No PCI BIOS present.\n";
    }
    char text[96];
    std::snprintf(text, sizeof text, "PCI BIOS found. Version: %d.%d, Hardware Mechanism: %x\n",
                  info.majorVersion, info.minorVersion, info.hardwareMechanism);
    return text;
}

void reportMemory(std::uint64_t totalBytes) {
    std::printf("Total Memory: %.2f Mb\n", static_cast<double>(totalBytes) / 1048576.0);
    if ((totalBytes & kEnoughMemoryMask) == 0) {
        std::printf("\tError! Insufficient memory to run Tessel Real-Time.\n");
        rx_fwk::EmbeddedServices::instance().setSystemState("Memory Configuration Error");
    }
}

void runPcEvaluator() {
    rx_fwk::EmbeddedServices::instance().setSystemState(
        "Tested configuration is compatible with Tessel Real-Time.");
    const COORD topLeft{0, 0};
    clearBackTo(topLeft);
    std::fputs(kBanner, stdout);
    std::fflush(stdout);
    TovPacingSleep(kBannerMs);

    clearBackTo(topLeft);
    std::fputs(processorIdentification().c_str(), stdout);

    COORD checking = cursor();
    std::printf("Checking BIOS ...");
    std::fflush(stdout);
    TovPacingSleep(kCheckMs);
    TovPCIBiosInfo bios{};
    const BOOL present = TovPCIBiosPresent(&bios);
    clearBackTo(checking);
    std::fputs(pciBiosText(present, bios).c_str(), stdout);

    checking = cursor();
    std::printf("Checking Memory ...");
    std::fflush(stdout);
    TovPacingSleep(kCheckMs);
    TovMemoryStatistics memory{};
    TovGetMemoryStatistics(&memory);
    clearBackTo(checking);
    reportMemory(memory.totalBytes);
    std::fflush(stdout);
}

}  // namespace nZUEmbCfg
