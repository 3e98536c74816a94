// Bringing the kernel up: clocks, drive C: on the host directory, the console. Starting it
// again (as tests do) re-points C: and makes C:\ the current directory.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kernel/Kernel.h"
#include "kernel/Profile.h"
#include "kernel/posix/Clock.h"
#include "kernel/posix/ConsoleStream.h"
#include "kernel/posix/DriveTable.h"
#include "kernel/posix/HostDrive.h"
#include "kernel/posix/KernelState.h"

namespace {
constexpr int kDriveC = 2;
}

bool TovKernelStart(const TovKernelOptions& options) {
    TovStartTickCount();
    TovKernelOptions started = options;
    if (started.disk.empty()) {
        started.disk = "./lifeboat-disk";
    }
    std::shared_ptr<TovHostRoot> root = TovHostRoot::open(started.disk);
    if (root == nullptr) {
        std::fprintf(stderr, "Cannot use %s as drive C: (%s)\n", started.disk.c_str(),
                     std::strerror(errno));
        return false;
    }
    started.disk = root->path();
    TovSetStartedOptions(started);
    TovRegisterDrive(kDriveC, std::make_shared<TovHostDrive>('C', std::move(root)));
    TovSetCurrentDrive(kDriveC);
    // All file systems are up: RTOS.INI may now come from the disk (again, after a re-point).
    TovEnableDiskProfiles();
    TovInstallConsole();
    return true;
}
