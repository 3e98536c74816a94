// The disk the file-system calls stand for is drive C:, the host directory.
#include "kernel/fs/LocalFileSystem.h"

#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/File.h"
#include "kernel/fs/posix/DriveTable.h"

namespace {

constexpr DWORD kHighestLevel = 3;

BOOL driveCUsable() {
    std::shared_ptr<TovDrive> drive = TovDriveOf("C:\\");
    if (drive == nullptr) {
        return TovFail(ERROR_NOT_READY, FALSE);
    }
    DWORD attributes = drive->attributes("C:\\");
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return TovFail(ERROR_NOT_READY, FALSE);
    }
    return TRUE;
}

}  // namespace

BOOL TovFileSystemSupported() {
    return TRUE;
}

BOOL TovIDEInit() {
    return driveCUsable();
}

BOOL TovLocalFSInit(DWORD level) {
    if (level > kHighestLevel) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    return driveCUsable();
}
