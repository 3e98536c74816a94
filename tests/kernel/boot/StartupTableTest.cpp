// Steps of the kernel's start-up table that a test can run again on their own.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "kernel/boot/StartupPhase.h"
#include "kernel/boot/posix/KernelState.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/TempDisk.h"

namespace {

const TovStartupStep& step(const char* name) {
    const TovStartupStep* entry = kTovStartupTable;
    while (entry->phase != 0 && (entry->name == nullptr || std::strcmp(entry->name, name) != 0)) {
        ++entry;
    }
    EXPECT_NE(entry->phase, 0u) << name;
    return *entry;
}

TEST(StartupTableTest, TheMonitorLinksAreTheFilesTheCommandLineNames) {
    lbtest::TempDisk disk;
    const TovKernelOptions saved = TovStartedOptions();
    lbtest::DebugCapture capture;  // the previous outputs come back at the end

    TovKernelOptions options = saved;
    options.hostLog = disk.hostPath("host.log");
    options.debugLog = disk.hostPath("debug.log");
    TovSetStartedOptions(options);
    step("Verify Monitor Version").step(1, "Subsystem Init");
    TovSetStartedOptions(saved);

    TovDebugPrint("to the host\r\n");
    EXPECT_EQ(disk.readHostFile("host.log"), "to the host\r\n");
    EXPECT_EQ(disk.readHostFile("debug.log"), "to the host\n");
    EXPECT_EQ(capture.screen(), "to the host\r\n");
}

}  // namespace
