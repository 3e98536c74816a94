// How large a drive is and how much of it is free.
#pragma once

#include "kernel/base/Win32Types.h"

// Of the drive `root` names ("C:\", or the current drive for null): bytes free for the
// caller, bytes in all and bytes free; any pointer may be null. FALSE with the last error
// when the drive cannot tell (ERROR_NOT_SUPPORTED for a drive without a volume size).
BOOL GetDiskFreeSpaceExA(LPCSTR root, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree);
