// The current directory: the current drive, and that drive's own current directory.
#include "kernel/fs/Environment.h"
#include "kernel/fs/posix/DriveTable.h"

BOOL SetCurrentDirectoryA(LPCSTR path) {
    int number = -1;
    std::shared_ptr<TovDrive> drive = TovDriveOf(path, &number);
    if (drive == nullptr || !drive->setCurrentDirectory(path)) {
        return FALSE;
    }
    TovSetCurrentDrive(number);
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::shared_ptr<TovDrive> drive = TovDriveOf("");
    return drive == nullptr ? 0 : drive->currentDirectory(size, buffer);
}
