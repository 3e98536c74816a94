// The file calls behind the file-system operation table's default entries.
#pragma once

#include "kernel/base/Win32Types.h"

// What FlushFileBuffers does unless the file-system operation table says otherwise.
BOOL TovFlushFileHandle(HANDLE file);
