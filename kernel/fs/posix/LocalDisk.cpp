// Drive C: on a host directory.
#include "kernel/fs/posix/LocalDisk.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kernel/boot/posix/KernelState.h"
#include "kernel/fs/posix/DriveTable.h"
#include "kernel/fs/posix/HostDrive.h"

namespace {
constexpr int kDriveC = 2;
}

bool TovMountLocalDisk() {
    TovKernelOptions started = TovStartedOptions();
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
    return true;
}
