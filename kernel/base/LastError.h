// The calling thread's last error, as every failing kernel call leaves it.
#pragma once

#include "kernel/base/Win32Types.h"

DWORD GetLastError();
void SetLastError(DWORD error);
