// Which file system the calling thread's file calls reach: the controller's own drives, or
// the development host's files through the monitor.
#pragma once

#include "kernel/base/Win32Types.h"

constexpr DWORD TOV_FILESYSTEM_LOCAL = 0;
constexpr DWORD TOV_FILESYSTEM_HOST = 1;

// The calling thread's mode; a thread starts local.
DWORD TovGetFileSystemMode();
// Local always works. This kernel has no development-host file system, so the host mode
// fails with ERROR_NOT_SUPPORTED and the thread stays local; other values fail with
// ERROR_INVALID_PARAMETER.
BOOL TovSetFileSystemMode(DWORD mode);
