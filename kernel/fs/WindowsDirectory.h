// The Windows directory: where the kernel looks for RTOS.INI and other bare profile names.
#pragma once

#include "kernel/base/Win32Types.h"

// Length copied without the terminator, or the size needed with it when `size` is too
// small. "C:\" unless set otherwise.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);

// False (ERROR_INVALID_PARAMETER) for a null, empty or too long path.
BOOL TovSetWindowsDirectory(LPCSTR path);
