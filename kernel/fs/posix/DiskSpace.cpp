// Volume figures come from the drive's driver.
#include "kernel/fs/DiskSpace.h"

#include "kernel/fs/posix/DriveTable.h"

BOOL GetDiskFreeSpaceExA(LPCSTR root, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(root == nullptr ? "" : root);
    ULONGLONG all = 0;
    ULONGLONG free = 0;
    ULONGLONG available = 0;
    if (drive == nullptr || !drive->space(&all, &free, &available)) {
        return FALSE;
    }
    if (freeToCaller != nullptr) {
        freeToCaller->QuadPart = available;
    }
    if (total != nullptr) {
        total->QuadPart = all;
    }
    if (totalFree != nullptr) {
        totalFree->QuadPart = free;
    }
    return TRUE;
}
