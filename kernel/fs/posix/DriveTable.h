// The kernel's drive letters: which driver serves each, and which drive is current.
#pragma once

#include <memory>

#include "kernel/fs/Drive.h"

// The driver for a path: its drive letter, or the current drive when it names none. Null
// (ERROR_INVALID_PARAMETER for a null path, ERROR_PATH_NOT_FOUND for a drive without a
// driver) on failure. `number` receives the drive number when asked for.
std::shared_ptr<TovDrive> TovDriveOf(LPCSTR path, int* number = nullptr);

// The drive number a path names (0 = A:), or -1 when it names none.
int TovDriveNumberOf(LPCSTR path);

int TovCurrentDrive();
void TovSetCurrentDrive(int number);
