// Bringing the kernel up: the start-up table, phase 1. Starting it again (as tests do) only
// re-points C: and makes C:\ the current directory.
#include "kernel/boot/Kernel.h"
#include "kernel/boot/StartupPhase.h"
#include "kernel/boot/posix/KernelState.h"
#include "kernel/fs/posix/DriveTable.h"
#include "kernel/fs/posix/LocalDisk.h"
#include "kernel/profile/Profile.h"

namespace {
bool gStarted = false;
}

bool TovKernelStart(const TovKernelOptions& options) {
    TovKernelOptions started = options;
    if (started.disk.empty()) {
        started.disk = "./lifeboat-disk";
    }
    TovSetStartedOptions(started);
    if (gStarted) {
        if (!TovMountLocalDisk()) {
            return false;
        }
        TovEnableDiskProfiles();  // RTOS.INI of the new disk
        return true;
    }
    gStarted = true;
    TovRunStartupPhase(kTovStartupTable, 1, "Subsystem Init");
    // Drive C: is the one piece the kernel cannot run without.
    return TovDriveOf("C:\\") != nullptr;
}
