// The C runtime's current-drive calls over the kernel's drive table.
#include "kernel/fs/CurrentDrive.h"

#include <cerrno>

#include "kernel/fs/posix/DriveTable.h"

namespace {
constexpr int kDriveCount = 26;
}

int _getdrive() {
    return TovCurrentDrive() + 1;
}

int _chdrive(int drive) {
    if (drive < 1 || drive > kDriveCount) {
        errno = EACCES;
        return -1;
    }
    char root[] = {static_cast<char>('A' + drive - 1), ':', '\\', '\0'};
    if (TovDriveOf(root) == nullptr) {
        errno = EACCES;
        return -1;
    }
    TovSetCurrentDrive(drive - 1);
    return 0;
}
