// The size and free space of a host drive are those of the host file system it lies on.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/posix/HostDrive.h"

BOOL TovHostDrive::space(ULONGLONG* total, ULONGLONG* free, ULONGLONG* available) {
    int root = root_->openAt("", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        return TovFailErrno(errno, FALSE);
    }
    struct statvfs figures;
    int result = ::fstatvfs(root, &figures);
    int error = errno;
    ::close(root);
    if (result != 0) {
        return TovFailErrno(error, FALSE);
    }
    const ULONGLONG unit = figures.f_frsize != 0 ? figures.f_frsize : figures.f_bsize;
    *total = static_cast<ULONGLONG>(figures.f_blocks) * unit;
    *free = static_cast<ULONGLONG>(figures.f_bfree) * unit;
    *available = static_cast<ULONGLONG>(figures.f_bavail) * unit;
    return TRUE;
}
