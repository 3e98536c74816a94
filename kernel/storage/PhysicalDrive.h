// "\\.\PhysicalDriveN": block device N of the kernel's table opened as a file, read and
// written in whole sectors through the device's current sector-I/O function.
#pragma once

#include <memory>

#include "kernel/fs/Drive.h"

// The path names a physical drive ("\\.\PhysicalDrive0", any case, "/" or "\").
bool TovIsPhysicalDrivePath(LPCSTR path);

// Opens it (OPEN_EXISTING only, else ERROR_INVALID_PARAMETER); null with ERROR_FILE_NOT_FOUND
// when the table has no device N. Reads and writes need a position and a size that are
// whole sectors (ERROR_INVALID_PARAMETER); a read stops at the end of the device, a write
// beyond it fails with ERROR_SECTOR_NOT_FOUND.
std::unique_ptr<TovDriveFile> TovOpenPhysicalDrive(LPCSTR path, DWORD access, DWORD disposition);
